#include "ui/Main.h"

#include "ui/toolkit/CommandButton.h"

#include "engine/LocalText.h"
#include "engine/ProcessRun.h"
#include "keywords/dialogs/KeywordCommands.h"
#include "ui/ChosenFilesDrop.h"
#include "ui/FileChooser.h"
#include "ui/HelpText.h"
#include "ui/HelpWindow.h"
#include "ui/ResultsWindow.h"
#include "ui/WindowMemory.h"
#include "ui/toolkit/CheckBox.h"
#include "ui/toolkit/DirList.h"
#include "ui/toolkit/DriveList.h"
#include "ui/toolkit/ElidingLabel.h"
#include "ui/toolkit/FileList.h"
#include "ui/toolkit/Folders.h"
#include "ui/toolkit/ListBox.h"
#include "ui/toolkit/ProgressBar.h"
#include "ui/toolkit/SystemColours.h"
#include "ui/toolkit/Twips.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QThread>

#include <algorithm>

namespace tamsenor {

namespace {

// A label whose text the program changes keeps no accessible name of its
// own: screen readers then read its text, and Qt tells them of every new
// text. `purpose` says what the text is.
QLabel* label(QWidget* parent, const char* name, const QString& caption, const QString& purpose)
{
    auto* l = new QLabel(caption, parent);
    l->setObjectName(QString::fromLatin1(name));
    if (!purpose.isEmpty())
        l->setAccessibleDescription(purpose);
    return l;
}

// A count label ("Total: " and up to six digits) in the row of the button
// `next`, ending a little before it. It starts at its drawn left edge, or
// further left when a six-digit count would not fit there.
void placeCountLabel(QLabel* label, int drawnLeft, const QWidget* next, double s)
{
    const QString text = label->text();
    label->setText(QStringLiteral("Total: 888888"));
    const int needed = label->sizeHint().width();
    label->setText(text);
    const int right = next->x() - twips(60, s);
    const int left = std::min(twips(drawnLeft, s), right - needed);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label->setGeometry(left, next->y(), right - left, next->height());
}

CheckBox* checkBox(QWidget* parent, const char* name, const QString& caption)
{
    auto* c = new CheckBox(caption, parent);
    c->setObjectName(QString::fromLatin1(name));
    return c;
}

QFrame* line(QWidget* parent, const char* name, bool vertical)
{
    auto* f = new QFrame(parent);
    f->setObjectName(QString::fromLatin1(name));
    f->setFrameShape(vertical ? QFrame::VLine : QFrame::HLine);
    f->setFrameShadow(QFrame::Sunken);
    return f;
}

// An unchecked switch's caption: the application workspace grey.
const PaletteColour Grey = PaletteColour::system(12);

} // namespace

Main::Main(Prompts& prompts, const Clock& clock, QWidget* parent)
    : QWidget(parent)
    , prompts_(prompts)
    , clock_(clock)
{
    setObjectName(QStringLiteral("Main"));
    setWindowTitle(ProgramTitle);
    buildControls();
    chooser_ = std::make_unique<FileChooser>(
        FileChooser::Controls { Drive1, Dir1, File1, Combo1, List1, List2, Label3, Label5 }, state_, prompts_);
    keywordCommands_
        = std::make_unique<KeywordCommands>(this, module1_, prompts_, List3, [this] { RefillKeywordList(); });
    drop_ = std::make_unique<ChosenFilesDrop>(
        List2, File1, [this] { return runGoingOn(); }, [this] { chooser_->showList2Count(); });
    wireRules();
    arrangeGrowth();
    orderTabs();
    Form_Load();
}

Main::~Main() = default;

void Main::buildControls()
{
    const double s = fontScale(font());
    // The drawn size is the smallest; more room goes to the lists (arrangeGrowth).
    const QSize drawn(twips(8580, s), twips(5925, s));
    setMinimumSize(drawn);
    resize(drawn);
    windowGrowth_.setDrawnSize(drawn);

    // Choosing Files
    Frame1 = new QGroupBox(QStringLiteral("Choosing Files"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    placeTwips(Frame1, 120, 0, 4695, 2535, s);

    Dir1 = new DirList(Frame1);
    Dir1->setObjectName(QStringLiteral("Dir1"));
    Dir1->setAccessibleName(QStringLiteral("Directories"));
    placeTwips(Dir1, 120, 360, 2055, 1215, s);

    Drive1 = new DriveList(Frame1);
    Drive1->setObjectName(QStringLiteral("Drive1"));
    Drive1->setAccessibleName(QStringLiteral("Drives"));
    placeTwips(Drive1, 120, 1680, 2055, 315, s);

    List1 = new ListBox(Frame1);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setAccessibleName(QStringLiteral("Files in the directory"));
    List1->setExtendedSelection(true);
    placeTwips(List1, 2280, 360, 2295, 1620, s);

    // File1 shows nothing of its own: List1 shows its names.
    File1 = new FileList(this);
    File1->setObjectName(QStringLiteral("File1"));

    Combo1 = new QComboBox(Frame1);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setAccessibleName(QStringLiteral("File extension"));
    Combo1->setEditable(true);
    Combo1->setCompleter(nullptr); // typed text stays as typed
    Combo1->setInsertPolicy(QComboBox::NoInsert); // the item list is fixed
    Combo1->addItems({ QStringLiteral("* (All File)"), QStringLiteral("asp"), QStringLiteral("htm"),
        QStringLiteral("html"), QStringLiteral("txt") });
    Combo1->setCurrentIndex(-1);
    Combo1->setEditText(QString());
    placeTwips(Combo1, 3120, 2040, 1455, 315, s);

    Label4 = label(Frame1, "Label4", QStringLiteral("&File Extention:"), {});
    Label4->setBuddy(Combo1);
    Label4->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    placeTwips(Label4, 1560, 2040, 1500, 315, s);

    CmdAdd = MakeCommandButton(
        this, "CmdAdd", QStringLiteral(">>"), QStringLiteral("Add the files you have selected to be processed"));
    placeTwips(CmdAdd, 4920, 1200, 375, 255, s);

    // Chosen Files
    Frame2 = new QGroupBox(QStringLiteral("Chosen Files"), this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    placeTwips(Frame2, 5400, 0, 3015, 2535, s);

    List2 = new ListBox(Frame2);
    List2->setObjectName(QStringLiteral("List2"));
    List2->setAccessibleName(QStringLiteral("Chosen files"));
    List2->setExtendedSelection(true);
    List2->setSorted(true);
    // Paths share their start: cut in the middle, each keeps its file name in
    // view (the whole path is the entry's tooltip and accessible name).
    List2->setCutInTheMiddle();
    placeTwips(List2, 120, 360, 2775, 2010, s);

    Label3 = label(this, "Label3", {}, QStringLiteral("Number of files in the directory"));
    CmdRfrs = MakeCommandButton(
        this, "CmdRfrs", QStringLiteral("&Refresh"), QStringLiteral("Re-list the files in current directory"));
    placeTwips(CmdRfrs, 3000, 2640, 855, 255, s);
    placeCountLabel(Label3, 2160, CmdRfrs, s);
    CmdSelectAll1 = MakeCommandButton(this, "CmdSelectAll1", QStringLiteral("Select &All"),
        QStringLiteral("Select all the files in current directory"));
    placeTwips(CmdSelectAll1, 3960, 2640, 855, 255, s);
    Label5 = label(this, "Label5", {}, QStringLiteral("Number of chosen files"));
    CmdSelectall2
        = MakeCommandButton(this, "CmdSelectall2", QStringLiteral("C&lear"), QStringLiteral("Delete all the files"));
    placeTwips(CmdSelectall2, 6600, 2640, 855, 255, s);
    placeCountLabel(Label5, 5400, CmdSelectall2, s);
    CmdDele = MakeCommandButton(this, "CmdDele", QStringLiteral("&Deselect"),
        QStringLiteral("Delete the file(s) you don't want it to be processed"));
    placeTwips(CmdDele, 7560, 2640, 855, 255, s);

    // The file being processed: a long path needs the width of the bars below.
    // A path longer than that is cut in its middle, so the name and size stay in view.
    LblProgress = new ElidingLabel(this);
    LblProgress->setObjectName(QStringLiteral("LblProgress"));
    LblProgress->setAccessibleDescription(QStringLiteral("File being processed"));
    placeTwips(LblProgress, 5280, 3000, 3135, 315, s);

    // Settings
    Frame3 = new QGroupBox(QStringLiteral("Settings"), this);
    Frame3->setObjectName(QStringLiteral("Frame3"));
    placeTwips(Frame3, 120, 3240, 4935, 2535, s);

    ChkKeyword = checkBox(Frame3, "ChkKeyword", QStringLiteral("&Keywords."));
    placeTwips(ChkKeyword, 1680, 240, 1575, 375, s);
    ChkStrip = checkBox(Frame3, "ChkStrip", QStringLiteral("Striping &html Tags"));
    // The switch captions wrap onto two lines: each box has the height of two.
    placeTwips(ChkStrip, 120, 540, 1440, 480, s);
    ChkWebsite = checkBox(Frame3, "ChkWebsite", QStringLiteral("Extracting web s&ites."));
    placeTwips(ChkWebsite, 120, 1380, 1440, 480, s);
    // E-mail collection: the run supports it, so the window offers a switch.
    ChkEmail = checkBox(Frame3, "ChkEmail", QStringLiteral("Extracting e-&mails."));
    placeTwips(ChkEmail, 120, 1920, 1440, 480, s);

    List3 = new ListBox(Frame3);
    List3->setObjectName(QStringLiteral("List3"));
    List3->setAccessibleName(QStringLiteral("Keywords"));
    placeTwips(List3, 1680, 600, 1575, 1425, s);

    CmdUP = MakeCommandButton(
        Frame3, "CmdUP", QStringLiteral("&up"), QStringLiteral("Put the selected KeyWord to upper position"));
    // Wide enough for "down" in the small font.
    placeTwips(CmdUP, 3300, 600, 465, 615, s);
    CmdDown = MakeCommandButton(
        Frame3, "CmdDown", QStringLiteral("do&wn"), QStringLiteral("Put the selected KeyWord to lower position"));
    placeTwips(CmdDown, 3300, 1320, 465, 735, s);
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.75);
    CmdUP->setFont(small);
    CmdDown->setFont(small);

    CmdAddKW = MakeCommandButton(
        Frame3, "CmdAddKW", QStringLiteral("&New"), QStringLiteral("Add a new KeyWord to current group of KeyWords"));
    placeTwips(CmdAddKW, 3840, 600, 975, 255, s);
    CmdOpenKW
        = MakeCommandButton(Frame3, "CmdOpenKW", QStringLiteral("&Open"), QStringLiteral("Open a KeyWord text file"));
    placeTwips(CmdOpenKW, 3840, 960, 975, 255, s);
    CmdPropertyKW = MakeCommandButton(
        Frame3, "CmdPropertyKW", QStringLiteral("Propert&y"), QStringLiteral("Check/Change the selected KeyWord"));
    placeTwips(CmdPropertyKW, 3840, 1320, 975, 255, s);
    CmdSaveKW = MakeCommandButton(
        Frame3, "CmdSaveKW", QStringLiteral("&Save"), QStringLiteral("Save current group of KeyWords to a text file"));
    placeTwips(CmdSaveKW, 3840, 1680, 975, 255, s);
    CmdKWClear = MakeCommandButton(
        Frame3, "CmdKWClear", QStringLiteral("Cl&ear"), QStringLiteral("Delete all current keywords"));
    placeTwips(CmdKWClear, 1680, 2160, 735, 255, s);
    CmdDeleKW = MakeCommandButton(Frame3, "CmdDeleKW", QStringLiteral("Dele&te"),
        QStringLiteral("Delete a selected KeyWord from current group of KeyWords"));
    placeTwips(CmdDeleKW, 2520, 2160, 735, 255, s);

    // The four separator lines of the settings frame.
    placeTwips(line(Frame3, "Line1", true), 1560, 240, 30, 2175, s);
    placeTwips(line(Frame3, "Line2", false), 120, 1200, 1380, 30, s);
    placeTwips(line(Frame3, "Line3", true), 3780, 600, 30, 1335, s);
    placeTwips(line(Frame3, "Line4", false), 3360, 2100, 1455, 30, s);

    // Progress and commands
    PBFProgress = new ProgressBar(this);
    PBFProgress->setObjectName(QStringLiteral("PBFProgress"));
    PBFProgress->setAccessibleName(QStringLiteral("File progress"));
    placeTwips(PBFProgress, 5280, 3360, 3135, 255, s);
    PBProgress = new ProgressBar(this);
    PBProgress->setObjectName(QStringLiteral("PBProgress"));
    PBProgress->setAccessibleName(QStringLiteral("Overall progress"));
    placeTwips(PBProgress, 5280, 3720, 3135, 255, s);

    CmdProcess = MakeCommandButton(
        this, "CmdProcess", QStringLiteral("&ProcessFiles"), QStringLiteral("Begin the processing"));
    placeTwips(CmdProcess, 5280, 4080, 1335, 375, s);
    CmdCancel = MakeCommandButton(this, "CmdCancel", QStringLiteral("&Cancel"), {});
    placeTwips(CmdCancel, 7440, 4080, 975, 255, s);
    // Help in the free room below Cancel: the fixed layout has no menu bar.
    CmdHelp = MakeCommandButton(
        this, "CmdHelp", QStringLiteral("Help"), QStringLiteral("How to use the program (F1), and about it"));
    placeTwips(CmdHelp, 7440, 4620, 975, 255, s);
    CmdBrowse = MakeCommandButton(
        this, "CmdBrowse", QStringLiteral("Browse"), QStringLiteral("Show the selected chosen file in the browser"));
    placeTwips(CmdBrowse, 5280, 5160, 1335, 255, s);
    // Named by the window title: the program is called nothing else.
    CmdEnd = MakeCommandButton(
        this, "CmdEnd", QStringLiteral("E&xit"), QStringLiteral("Exit the \"%1\"").arg(ProgramTitle));
    placeTwips(CmdEnd, 7080, 5160, 1335, 255, s);
}

void Main::wireRules()
{
    ChkStrip->setClickRule([this](bool checked) { ChkStrip_Click(checked); });
    ChkWebsite->setClickRule([this](bool checked) { ChkWebsite_Click(checked); });
    ChkEmail->setClickRule([this](bool checked) { ChkEmail_Click(checked); });
    ChkKeyword->setClickRule([this](bool checked) { ChkKeyword_Click(checked); });

    FileChooser* fc = chooser_.get();
    connect(CmdRfrs, &QPushButton::clicked, fc, &FileChooser::CmdRfrs_Click);
    connect(CmdSelectAll1, &QPushButton::clicked, fc, &FileChooser::CmdSelectAll1_Click);
    connect(CmdAdd, &QPushButton::clicked, fc, &FileChooser::CmdAdd_Click);
    connect(CmdDele, &QPushButton::clicked, fc, &FileChooser::CmdDele_Click);
    connect(CmdSelectall2, &QPushButton::clicked, fc, &FileChooser::CmdSelectall2_Click);

    KeywordCommands* kc = keywordCommands_.get();
    connect(CmdAddKW, &QPushButton::clicked, this, [kc] { kc->New(); });
    connect(CmdDeleKW, &QPushButton::clicked, this, [kc] { kc->Delete(); });
    connect(CmdKWClear, &QPushButton::clicked, this, [kc] { kc->Clear(); });
    connect(CmdPropertyKW, &QPushButton::clicked, this, [kc] { kc->Property(); });
    connect(CmdUP, &QPushButton::clicked, this, [kc] { kc->Up(); });
    connect(CmdDown, &QPushButton::clicked, this, [kc] { kc->Down(); });
    connect(CmdOpenKW, &QPushButton::clicked, this, [kc] { kc->Open(); });
    connect(CmdSaveKW, &QPushButton::clicked, this, [kc] { kc->Save(); });

    connect(CmdProcess, &QPushButton::clicked, this, &Main::CmdProcess_Click);
    connect(CmdCancel, &QPushButton::clicked, this, [this] { tamsenor::CmdCancel_Click(*this); });
    // Escape cancels a run; it is enabled only with CmdCancel so that it takes
    // no key from the controls at other times.
    escape_ = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape_->setEnabled(false);
    connect(escape_, &QShortcut::activated, CmdCancel, &QPushButton::click);
    connect(CmdEnd, &QPushButton::clicked, this, &Main::CmdEnd_Click);
    connect(CmdBrowse, &QPushButton::clicked, this, &Main::CmdBrowse_Click);

    auto* menu = new QMenu(CmdHelp);
    menu->setObjectName(QStringLiteral("HelpMenu"));
    QAction* help = menu->addAction(QStringLiteral("&Help"), this, &Main::showHelp);
    help->setObjectName(QStringLiteral("ActHelp"));
    help->setShortcut(QKeySequence::HelpContents);
    addAction(help); // F1 anywhere in the window, the menu closed
    QAction* about = menu->addAction(QStringLiteral("&About ") + ProgramTitle, this, &Main::showAbout);
    about->setObjectName(QStringLiteral("ActAbout"));
    menu->addSeparator();
    rememberAction_ = menu->addAction(QStringLiteral("&Remember window and folders"));
    rememberAction_->setObjectName(QStringLiteral("ActRemember"));
    rememberAction_->setCheckable(true);
    rememberAction_->setVisible(false); // until the program hands over a memory
    connect(rememberAction_, &QAction::toggled, this, [this](bool on) {
        if (memory_)
            memory_->setEnabled(on);
        if (memory_ && on)
            memory_->setPreviewResults(previewAction_->isChecked());
    });
    // Off by default: a run then ends with the save question.
    previewAction_ = menu->addAction(QStringLiteral("&Preview results"));
    previewAction_->setObjectName(QStringLiteral("ActPreviewResults"));
    previewAction_->setCheckable(true);
    previewAction_->setToolTip(QStringLiteral("Show the results of a run in a window before saving them"));
    connect(previewAction_, &QAction::toggled, this, [this](bool on) {
        if (memory_)
            memory_->setPreviewResults(on);
    });
    CmdHelp->setMenu(menu);

    connect(List1, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        openInBrowser(FileChooser::joinChosen(Dir1->path(), ListBox::entryOf(item)));
    });
    connect(List2, &QListWidget::itemDoubleClicked, this,
        [this](QListWidgetItem* item) { openInBrowser(ListBox::entryOf(item)); });
}

void Main::arrangeGrowth()
{
    using Shares = StretchPlacer::Shares;
    // The window: the left and right columns share the new width, the upper
    // and lower halves the new height; each row of buttons keeps to the list
    // or frame it serves.
    StretchPlacer& w = windowGrowth_;
    w.add(Frame1, Shares { 0, 0.5, 0, 0.5 });
    w.add(CmdAdd, Shares { 0.5, 0, 0.25, 0 });
    w.add(Frame2, Shares { 0.5, 0.5, 0, 0.5 });
    for (QWidget* c : std::initializer_list<QWidget*> { Label3, CmdRfrs, CmdSelectAll1, Label5 })
        w.add(c, Shares { 0.5, 0, 0.5, 0 });
    for (QWidget* c : std::initializer_list<QWidget*> { CmdSelectall2, CmdDele, CmdCancel })
        w.add(c, Shares { 1, 0, 0.5, 0 });
    w.add(CmdHelp, Shares { 1, 0, 0.75, 0 });
    for (QWidget* c : std::initializer_list<QWidget*> { LblProgress, PBFProgress, PBProgress })
        w.add(c, Shares { 0.5, 0.5, 0.5, 0 });
    w.add(CmdProcess, Shares { 0.5, 0, 0.5, 0 });
    w.add(Frame3, Shares { 0, 0.5, 0.5, 0.5 });
    w.add(CmdBrowse, Shares { 0.5, 0, 1, 0 });
    w.add(CmdEnd, Shares { 1, 0, 1, 0 });

    // Choosing Files: List1 takes the width, both lists the height.
    frame1Growth_.setDrawnSize(Frame1->size());
    frame1Growth_.add(Dir1, Shares { 0, 0, 0, 1 });
    frame1Growth_.add(Drive1, Shares { 0, 0, 1, 0 });
    frame1Growth_.add(List1, Shares { 0, 1, 0, 1 });
    frame1Growth_.add(Label4, Shares { 1, 0, 1, 0 });
    frame1Growth_.add(Combo1, Shares { 1, 0, 1, 0 });

    frame2Growth_.setDrawnSize(Frame2->size());
    frame2Growth_.add(List2, Shares { 0, 1, 0, 1 });

    // Settings: the switches stay put, List3 takes the room, the keyword
    // buttons keep to its right and below it.
    frame3Growth_.setDrawnSize(Frame3->size());
    frame3Growth_.add(List3, Shares { 0, 1, 0, 1 });
    frame3Growth_.add(Frame3->findChild<QFrame*>(QStringLiteral("Line1")), Shares { 0, 0, 0, 1 });
    frame3Growth_.add(Frame3->findChild<QFrame*>(QStringLiteral("Line3")), Shares { 1, 0, 0, 0 });
    frame3Growth_.add(Frame3->findChild<QFrame*>(QStringLiteral("Line4")), Shares { 1, 0, 1, 0 });
    for (QWidget* c : std::initializer_list<QWidget*> { CmdUP, CmdDown, CmdAddKW, CmdOpenKW, CmdPropertyKW, CmdSaveKW })
        frame3Growth_.add(c, Shares { 1, 0, 0, 0 });
    for (QWidget* c : std::initializer_list<QWidget*> { CmdKWClear, CmdDeleKW })
        frame3Growth_.add(c, Shares { 0, 0, 1, 0 });
}

void Main::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    windowGrowth_.apply(size());
    frame1Growth_.apply(Frame1->size());
    frame2Growth_.apply(Frame2->size());
    frame3Growth_.apply(Frame3->size());
}

void Main::orderTabs()
{
    // Choose in List1, add, tidy List2; then the switches, the keywords, the run.
    QWidget* const order[] = { Dir1, Drive1, List1, Combo1, CmdRfrs, CmdSelectAll1, CmdAdd, List2, CmdSelectall2,
        CmdDele, ChkStrip, ChkWebsite, ChkEmail, ChkKeyword, List3, CmdUP, CmdDown, CmdAddKW, CmdOpenKW, CmdPropertyKW,
        CmdSaveKW, CmdKWClear, CmdDeleKW, CmdProcess, CmdCancel, CmdHelp, CmdBrowse, CmdEnd };
    for (std::size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

bool Main::runGoingOn() const
{
    return running_ || CmdCancel->isEnabled();
}

void Main::Form_Load()
{
    // 1. The keyword table, the first time only; a reset keeps the user's keywords.
    if (state_.FirstLoadDone == 0) {
        module1_.useKeywords(std::make_shared<clsKeyWord>(LocalBytes(module1_.KeywordOpenPath)));
        state_.FirstLoadDone = 1;
    }
    // 2.
    state_.ResultsTable.reset();
    state_.ResultsRecords = nullptr;
    // 3. The chooser onto the working directory. The controls only catch up
    // with the current drive and directory here, so their change rules stay
    // quiet; steps 5 and 6 fill List1 and Label3 in any case.
    const QString cwd = WorkingFolder();
    {
        const QSignalBlocker quietDrive(Drive1);
        const QSignalBlocker quietDir(Dir1);
        Drive1->setDrive(Drive1->driveOf(cwd));
        Dir1->setPath(cwd);
    }
    File1->setPath(cwd);
    // 4.
    state_.ExtensionFilter = FileChooser::suffixFrom(Combo1->currentText());
    File1->setPattern(QStringLiteral("*.") + state_.ExtensionFilter);
    // 5., 6.
    chooser_->refillList1();
    chooser_->showList1Count();
    // 7.
    RefillKeywordList();
    // 8. Unchecking a checked switch runs its rule.
    for (CheckBox* box : { ChkStrip, ChkWebsite, ChkEmail, ChkKeyword }) {
        box->setChecked(false);
        box->setCaptionColour(Grey);
    }
    // 9.
    List3->setBackgroundColour(PaletteColour::system(0));
    List3->setEnabled(false);
    // 10.
    setKeywordButtonsEnabled(false);
    CmdCancel->setEnabled(false);
    escape_->setEnabled(false);
    CmdProcess->setEnabled(true);
    CmdEnd->setEnabled(true);
    // 11.
    state_.EmailOn = 0;
    state_.WebsiteOn = 0;
    state_.KeywordOn = 0;
    state_.CancelRequested = 0;
    // 12.
    PBProgress->setValue(0.0f);
    PBFProgress->setValue(0.0f);
    // 13.
    List2->clear();
    // 14.
    Label5->setText(QString());
    LblProgress->setCaption(QString());
}

void Main::RefillKeywordList()
{
    List3->clear();
    KeywordTable* table = module1_.CurrentKeywords;
    if (!table || table->recordCount() == 0)
        return;
    QStringList names;
    for (table->moveFirst(); !table->eof(); table->moveNext())
        names << FromLocalBytes(table->name());
    List3->appendEntries(names);
}

void Main::setKeywordButtonsEnabled(bool enabled)
{
    for (QPushButton* b : { CmdAddKW, CmdDeleKW, CmdKWClear, CmdPropertyKW, CmdOpenKW, CmdSaveKW, CmdUP, CmdDown })
        b->setEnabled(enabled);
}

void Main::ChkStrip_Click(bool checked)
{
    if (checked) {
        ChkStrip->setCaptionColour(PaletteColour::text());
        state_.EmailOn = 0;
        state_.KeywordOn = 0;
        ChkKeyword->setChecked(false);
        ChkKeyword->setEnabled(false);
        state_.WebsiteOn = 0;
        ChkWebsite->setChecked(false);
        ChkWebsite->setEnabled(false);
        ChkEmail->setChecked(false);
        ChkEmail->setEnabled(false);
        state_.StripOn = 1;
    } else {
        ChkStrip->setCaptionColour(Grey);
        // The extraction switches stay unchecked: the user checks them again.
        ChkKeyword->setEnabled(true);
        ChkWebsite->setEnabled(true);
        ChkEmail->setEnabled(true);
        state_.StripOn = 0;
    }
}

void Main::ChkWebsite_Click(bool checked)
{
    state_.WebsiteOn = checked ? 1 : 0;
    ChkWebsite->setCaptionColour(checked ? PaletteColour::text() : Grey);
}

void Main::ChkEmail_Click(bool checked)
{
    state_.EmailOn = checked ? 1 : 0;
    ChkEmail->setCaptionColour(checked ? PaletteColour::text() : Grey);
}

void Main::ChkKeyword_Click(bool checked)
{
    // The keyword table itself is not touched: switching off and on keeps it.
    state_.KeywordOn = checked ? 1 : 0;
    ChkKeyword->setCaptionColour(checked ? PaletteColour::text() : Grey);
    List3->setBackgroundColour(PaletteColour::system(checked ? 5 : 0));
    List3->setEnabled(checked);
    if (checked)
        List3->update();
    setKeywordButtonsEnabled(checked);
}

void Main::CmdEnd_Click()
{
    if (prompts_.message(QStringLiteral("Do you want to exit the program?"), Icon::None, Buttons::YesNo) == Answer::Yes)
        close();
}

void Main::closeEvent(QCloseEvent* event)
{
    if (running_) {
        // The run still uses the tables: ask it to stop, and close once it has.
        state_.CancelRequested = 1;
        closePending_ = true;
        event->ignore();
        return;
    }
    if (!closed_) {
        closed_ = true;
        if (memory_ && memory_->enabled())
            memory_->setGeometry(saveGeometry());
        // Help and About belong to this window; they do not keep the program open.
        for (QWidget* page :
            { static_cast<QWidget*>(help_), static_cast<QWidget*>(about_), static_cast<QWidget*>(resultsWindow_) })
            if (page)
                page->close();
        keywordCommands_->SaveQuestionAtExit();
        module1_.useKeywords(nullptr);
        state_.ResultsTable.reset();
        state_.ResultsRecords = nullptr;
    }
    event->accept();
}

void Main::CmdProcess_Click()
{
    running_ = true;
    tamsenor::CmdProcess_Click(*this);
    running_ = false;
    if (closePending_) {
        closePending_ = false;
        close();
    }
}

void Main::setMemory(WindowMemory* memory)
{
    memory_ = memory;
    rememberAction_->setVisible(memory_ != nullptr);
    {
        const QSignalBlocker quiet(rememberAction_);
        rememberAction_->setChecked(memory_ && memory_->enabled());
    }
    if (memory_ && memory_->enabled()) {
        const QSignalBlocker quiet(previewAction_);
        previewAction_->setChecked(memory_->previewResults());
    }
    if (memory_ && !memory_->geometry().isEmpty())
        restoreGeometry(memory_->geometry());
}

ResultsWindow* Main::resultsWindow() const
{
    return resultsWindow_;
}

bool Main::showResults()
{
    if (!previewAction_->isChecked() || !state_.ResultsTable)
        return false;
    QStringList runFiles;
    for (int i = 0; i < chosenCount(); ++i)
        runFiles << chosenEntry(i);
    // The window keeps the table alive past the reset that follows the run.
    resultsWindow_ = new ResultsWindow(
        state_.ResultsTable, runFiles, prompts_, module1_,
        [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }, this);
    resultsWindow_->setWindowModality(Qt::WindowModal);
    resultsWindow_->show();
    return true;
}

void Main::showHelp()
{
    showPage(help_, QStringLiteral("HelpWindow"), ProgramTitle + QStringLiteral(" Help"), HelpPageHtml());
}

void Main::showAbout()
{
    showPage(about_, QStringLiteral("AboutWindow"), QStringLiteral("About ") + ProgramTitle, AboutPageHtml());
}

void Main::showPage(QPointer<HelpWindow>& page, const QString& name, const QString& title, const QString& html)
{
    if (!page) {
        page = new HelpWindow(title, html, this);
        page->setObjectName(name);
        page->setAttribute(Qt::WA_DeleteOnClose);
    }
    page->show();
    page->raise();
    page->activateWindow();
}

void Main::setBrowserOpener(std::function<void(const QString&)> opener)
{
    browserOpener_ = std::move(opener);
}

void Main::openInBrowser(const QString& path)
{
    if (browserOpener_)
        browserOpener_(path);
}

void Main::CmdBrowse_Click()
{
    QString first;
    for (int i = 0; i < List2->count(); ++i) {
        if (List2->isEntrySelected(i)) {
            first = List2->entry(i);
            break;
        }
    }
    openInBrowser(first);
}

// RunHost

int Main::chosenCount() const
{
    return List2->count();
}

QString Main::chosenEntry(int index) const
{
    return List2->entry(index);
}

void Main::clearChosen()
{
    List2->clear();
}

bool Main::stripChecked() const
{
    return ChkStrip->isChecked();
}

void Main::setCommandsEnabled(bool process, bool exit, bool cancel)
{
    CmdProcess->setEnabled(process);
    CmdEnd->setEnabled(exit);
    CmdCancel->setEnabled(cancel);
    escape_->setEnabled(cancel);
}

float Main::overallProgress() const
{
    return PBProgress->value();
}

bool Main::setOverallProgress(float value)
{
    return PBProgress->setValue(value);
}

float Main::fileProgress() const
{
    return PBFProgress->value();
}

bool Main::setFileProgress(float value)
{
    return PBFProgress->setValue(value);
}

void Main::setProgressCaption(const QString& text)
{
    LblProgress->setCaption(text);
}

void Main::yield()
{
    QCoreApplication::processEvents();
}

void Main::reset()
{
    Form_Load();
}

int Main::workerCount() const
{
    // Files are read and stripped on every core; this thread keeps the window live.
    return std::max(1, QThread::idealThreadCount());
}

} // namespace tamsenor
