#pragma once

class QFont;
class QWidget;

namespace tamsenor {

// Window layouts are given in twips (1/1440 inch; 15 twips are one pixel at 96
// dpi for the classic 8-point dialog font). `scale` grows them with the font in
// use so captions keep fitting; see fontScale(). At a scale of dpi / 96 it
// converts twips at that many dots per inch.
double fontScale(const QFont& font);
int twips(int value, double scale);
void placeTwips(QWidget* widget, int left, int top, int width, int height, double scale);

} // namespace tamsenor
