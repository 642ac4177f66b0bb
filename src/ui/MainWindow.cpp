#include "ui/MainWindow.h"

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

MainWindow::MainWindow(Prompts& prompts, const Clock& clock, QWidget* parent)
    : QWidget(parent)
    , prompts_(prompts)
    , clock_(clock)
{
    setObjectName(QStringLiteral("Main"));
    setWindowTitle(ProgramTitle);
    buildControls();
    chooser_ = std::make_unique<FileChooser>(
        FileChooser::Controls { driveList_, folderList_, patternList_, extensionBox_, fileList_, chosenList_, fileCountLabel_, chosenCountLabel_ }, state_, prompts_);
    keywordCommands_
        = std::make_unique<KeywordCommands>(this, session_, prompts_, keywordList_, [this] { refillKeywordList(); });
    drop_ = std::make_unique<ChosenFilesDrop>(
        chosenList_, patternList_, [this] { return runGoingOn(); }, [this] { chooser_->showChosenCount(); });
    wireRules();
    arrangeGrowth();
    orderTabs();
    resetWindow();
}

MainWindow::~MainWindow() = default;

void MainWindow::buildControls()
{
    const double s = fontScale(font());
    // The drawn size is the smallest; more room goes to the lists (arrangeGrowth).
    const QSize drawn(twips(8580, s), twips(5925, s));
    setMinimumSize(drawn);
    resize(drawn);
    windowGrowth_.setDrawnSize(drawn);

    // Choosing Files
    fileFrame_ = new QGroupBox(QStringLiteral("Choosing Files"), this);
    fileFrame_->setObjectName(QStringLiteral("Frame1"));
    placeTwips(fileFrame_, 120, 0, 4695, 2535, s);

    folderList_ = new DirList(fileFrame_);
    folderList_->setObjectName(QStringLiteral("Dir1"));
    folderList_->setAccessibleName(QStringLiteral("Directories"));
    placeTwips(folderList_, 120, 360, 2055, 1215, s);

    driveList_ = new DriveList(fileFrame_);
    driveList_->setObjectName(QStringLiteral("Drive1"));
    driveList_->setAccessibleName(QStringLiteral("Drives"));
    placeTwips(driveList_, 120, 1680, 2055, 315, s);

    fileList_ = new ListBox(fileFrame_);
    fileList_->setObjectName(QStringLiteral("List1"));
    fileList_->setAccessibleName(QStringLiteral("Files in the directory"));
    fileList_->setExtendedSelection(true);
    placeTwips(fileList_, 2280, 360, 2295, 1620, s);

    // patternList_ shows nothing of its own: fileList_ shows its names.
    patternList_ = new FileList(this);
    patternList_->setObjectName(QStringLiteral("File1"));

    extensionBox_ = new QComboBox(fileFrame_);
    extensionBox_->setObjectName(QStringLiteral("Combo1"));
    extensionBox_->setAccessibleName(QStringLiteral("File extension"));
    extensionBox_->setEditable(true);
    extensionBox_->setCompleter(nullptr); // typed text stays as typed
    extensionBox_->setInsertPolicy(QComboBox::NoInsert); // the item list is fixed
    extensionBox_->addItems({ QStringLiteral("* (All File)"), QStringLiteral("asp"), QStringLiteral("htm"),
        QStringLiteral("html"), QStringLiteral("txt") });
    extensionBox_->setCurrentIndex(-1);
    extensionBox_->setEditText(QString());
    placeTwips(extensionBox_, 3120, 2040, 1455, 315, s);

    extensionLabel_ = label(fileFrame_, "Label4", QStringLiteral("&File Extention:"), {});
    extensionLabel_->setBuddy(extensionBox_);
    extensionLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    placeTwips(extensionLabel_, 1560, 2040, 1500, 315, s);

    addButton_ = MakeCommandButton(
        this, "CmdAdd", QStringLiteral(">>"), QStringLiteral("Add the files you have selected to be processed"));
    placeTwips(addButton_, 4920, 1200, 375, 255, s);

    // Chosen Files
    chosenFrame_ = new QGroupBox(QStringLiteral("Chosen Files"), this);
    chosenFrame_->setObjectName(QStringLiteral("Frame2"));
    placeTwips(chosenFrame_, 5400, 0, 3015, 2535, s);

    chosenList_ = new ListBox(chosenFrame_);
    chosenList_->setObjectName(QStringLiteral("List2"));
    chosenList_->setAccessibleName(QStringLiteral("Chosen files"));
    chosenList_->setExtendedSelection(true);
    chosenList_->setSorted(true);
    // Paths share their start: cut in the middle, each keeps its file name in
    // view (the whole path is the entry's tooltip and accessible name).
    chosenList_->setCutInTheMiddle();
    placeTwips(chosenList_, 120, 360, 2775, 2010, s);

    fileCountLabel_ = label(this, "Label3", {}, QStringLiteral("Number of files in the directory"));
    refreshButton_ = MakeCommandButton(
        this, "CmdRfrs", QStringLiteral("&Refresh"), QStringLiteral("Re-list the files in current directory"));
    placeTwips(refreshButton_, 3000, 2640, 855, 255, s);
    placeCountLabel(fileCountLabel_, 2160, refreshButton_, s);
    selectAllButton_ = MakeCommandButton(this, "CmdSelectAll1", QStringLiteral("Select &All"),
        QStringLiteral("Select all the files in current directory"));
    placeTwips(selectAllButton_, 3960, 2640, 855, 255, s);
    chosenCountLabel_ = label(this, "Label5", {}, QStringLiteral("Number of chosen files"));
    clearChosenButton_
        = MakeCommandButton(this, "CmdSelectall2", QStringLiteral("C&lear"), QStringLiteral("Delete all the files"));
    placeTwips(clearChosenButton_, 6600, 2640, 855, 255, s);
    placeCountLabel(chosenCountLabel_, 5400, clearChosenButton_, s);
    deselectButton_ = MakeCommandButton(this, "CmdDele", QStringLiteral("&Deselect"),
        QStringLiteral("Delete the file(s) you don't want it to be processed"));
    placeTwips(deselectButton_, 7560, 2640, 855, 255, s);

    // The file being processed: a long path needs the width of the bars below.
    // A path longer than that is cut in its middle, so the name and size stay in view.
    progressLabel_ = new ElidingLabel(this);
    progressLabel_->setObjectName(QStringLiteral("LblProgress"));
    progressLabel_->setAccessibleDescription(QStringLiteral("File being processed"));
    placeTwips(progressLabel_, 5280, 3000, 3135, 315, s);

    // Settings
    settingsFrame_ = new QGroupBox(QStringLiteral("Settings"), this);
    settingsFrame_->setObjectName(QStringLiteral("Frame3"));
    placeTwips(settingsFrame_, 120, 3240, 4935, 2535, s);

    keywordsCheck_ = checkBox(settingsFrame_, "ChkKeyword", QStringLiteral("&Keywords."));
    placeTwips(keywordsCheck_, 1680, 240, 1575, 375, s);
    stripCheck_ = checkBox(settingsFrame_, "ChkStrip", QStringLiteral("Striping &html Tags"));
    // The switch captions wrap onto two lines: each box has the height of two.
    placeTwips(stripCheck_, 120, 540, 1440, 480, s);
    websiteCheck_ = checkBox(settingsFrame_, "ChkWebsite", QStringLiteral("Extracting web s&ites."));
    placeTwips(websiteCheck_, 120, 1380, 1440, 480, s);
    // E-mail collection: the run supports it, so the window offers a switch.
    emailCheck_ = checkBox(settingsFrame_, "ChkEmail", QStringLiteral("Extracting e-&mails."));
    placeTwips(emailCheck_, 120, 1920, 1440, 480, s);

    keywordList_ = new ListBox(settingsFrame_);
    keywordList_->setObjectName(QStringLiteral("List3"));
    keywordList_->setAccessibleName(QStringLiteral("Keywords"));
    placeTwips(keywordList_, 1680, 600, 1575, 1425, s);

    keywordUpButton_ = MakeCommandButton(
        settingsFrame_, "CmdUP", QStringLiteral("&up"), QStringLiteral("Put the selected KeyWord to upper position"));
    // Wide enough for "down" in the small font.
    placeTwips(keywordUpButton_, 3300, 600, 465, 615, s);
    keywordDownButton_ = MakeCommandButton(
        settingsFrame_, "CmdDown", QStringLiteral("do&wn"), QStringLiteral("Put the selected KeyWord to lower position"));
    placeTwips(keywordDownButton_, 3300, 1320, 465, 735, s);
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.75);
    keywordUpButton_->setFont(small);
    keywordDownButton_->setFont(small);

    newKeywordButton_ = MakeCommandButton(
        settingsFrame_, "CmdAddKW", QStringLiteral("&New"), QStringLiteral("Add a new KeyWord to current group of KeyWords"));
    placeTwips(newKeywordButton_, 3840, 600, 975, 255, s);
    openKeywordsButton_
        = MakeCommandButton(settingsFrame_, "CmdOpenKW", QStringLiteral("&Open"), QStringLiteral("Open a KeyWord text file"));
    placeTwips(openKeywordsButton_, 3840, 960, 975, 255, s);
    keywordPropertyButton_ = MakeCommandButton(
        settingsFrame_, "CmdPropertyKW", QStringLiteral("Propert&y"), QStringLiteral("Check/Change the selected KeyWord"));
    placeTwips(keywordPropertyButton_, 3840, 1320, 975, 255, s);
    saveKeywordsButton_ = MakeCommandButton(
        settingsFrame_, "CmdSaveKW", QStringLiteral("&Save"), QStringLiteral("Save current group of KeyWords to a text file"));
    placeTwips(saveKeywordsButton_, 3840, 1680, 975, 255, s);
    clearKeywordsButton_ = MakeCommandButton(
        settingsFrame_, "CmdKWClear", QStringLiteral("Cl&ear"), QStringLiteral("Delete all current keywords"));
    placeTwips(clearKeywordsButton_, 1680, 2160, 735, 255, s);
    deleteKeywordButton_ = MakeCommandButton(settingsFrame_, "CmdDeleKW", QStringLiteral("Dele&te"),
        QStringLiteral("Delete a selected KeyWord from current group of KeyWords"));
    placeTwips(deleteKeywordButton_, 2520, 2160, 735, 255, s);

    // The four separator lines of the settings frame.
    placeTwips(line(settingsFrame_, "Line1", true), 1560, 240, 30, 2175, s);
    placeTwips(line(settingsFrame_, "Line2", false), 120, 1200, 1380, 30, s);
    placeTwips(line(settingsFrame_, "Line3", true), 3780, 600, 30, 1335, s);
    placeTwips(line(settingsFrame_, "Line4", false), 3360, 2100, 1455, 30, s);

    // Progress and commands
    fileProgressBar_ = new ProgressBar(this);
    fileProgressBar_->setObjectName(QStringLiteral("PBFProgress"));
    fileProgressBar_->setAccessibleName(QStringLiteral("File progress"));
    placeTwips(fileProgressBar_, 5280, 3360, 3135, 255, s);
    overallProgressBar_ = new ProgressBar(this);
    overallProgressBar_->setObjectName(QStringLiteral("PBProgress"));
    overallProgressBar_->setAccessibleName(QStringLiteral("Overall progress"));
    placeTwips(overallProgressBar_, 5280, 3720, 3135, 255, s);

    processButton_ = MakeCommandButton(
        this, "CmdProcess", QStringLiteral("&ProcessFiles"), QStringLiteral("Begin the processing"));
    placeTwips(processButton_, 5280, 4080, 1335, 375, s);
    cancelButton_ = MakeCommandButton(this, "CmdCancel", QStringLiteral("&Cancel"), {});
    placeTwips(cancelButton_, 7440, 4080, 975, 255, s);
    // Help in the free room below Cancel: the fixed layout has no menu bar.
    helpButton_ = MakeCommandButton(
        this, "CmdHelp", QStringLiteral("Help"), QStringLiteral("How to use the program (F1), and about it"));
    placeTwips(helpButton_, 7440, 4620, 975, 255, s);
    browseButton_ = MakeCommandButton(
        this, "CmdBrowse", QStringLiteral("Browse"), QStringLiteral("Show the selected chosen file in the browser"));
    placeTwips(browseButton_, 5280, 5160, 1335, 255, s);
    // Named by the window title: the program is called nothing else.
    exitButton_ = MakeCommandButton(
        this, "CmdEnd", QStringLiteral("E&xit"), QStringLiteral("Exit the \"%1\"").arg(ProgramTitle));
    placeTwips(exitButton_, 7080, 5160, 1335, 255, s);
}

void MainWindow::wireRules()
{
    stripCheck_->setClickRule([this](bool checked) { stripSwitched(checked); });
    websiteCheck_->setClickRule([this](bool checked) { websiteSwitched(checked); });
    emailCheck_->setClickRule([this](bool checked) { emailSwitched(checked); });
    keywordsCheck_->setClickRule([this](bool checked) { keywordSwitched(checked); });

    FileChooser* fc = chooser_.get();
    connect(refreshButton_, &QPushButton::clicked, fc, &FileChooser::refreshFiles);
    connect(selectAllButton_, &QPushButton::clicked, fc, &FileChooser::selectAllFiles);
    connect(addButton_, &QPushButton::clicked, fc, &FileChooser::addSelectedFiles);
    connect(deselectButton_, &QPushButton::clicked, fc, &FileChooser::removeSelectedChosen);
    connect(clearChosenButton_, &QPushButton::clicked, fc, &FileChooser::clearChosenFiles);

    KeywordCommands* kc = keywordCommands_.get();
    connect(newKeywordButton_, &QPushButton::clicked, this, [kc] { kc->New(); });
    connect(deleteKeywordButton_, &QPushButton::clicked, this, [kc] { kc->Delete(); });
    connect(clearKeywordsButton_, &QPushButton::clicked, this, [kc] { kc->Clear(); });
    connect(keywordPropertyButton_, &QPushButton::clicked, this, [kc] { kc->Property(); });
    connect(keywordUpButton_, &QPushButton::clicked, this, [kc] { kc->Up(); });
    connect(keywordDownButton_, &QPushButton::clicked, this, [kc] { kc->Down(); });
    connect(openKeywordsButton_, &QPushButton::clicked, this, [kc] { kc->Open(); });
    connect(saveKeywordsButton_, &QPushButton::clicked, this, [kc] { kc->Save(); });

    connect(processButton_, &QPushButton::clicked, this, &MainWindow::startProcessing);
    connect(cancelButton_, &QPushButton::clicked, this, [this] { tamsenor::CancelProcessing(*this); });
    // Escape cancels a run; it is enabled only with cancelButton_ so that it takes
    // no key from the controls at other times.
    escape_ = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape_->setEnabled(false);
    connect(escape_, &QShortcut::activated, cancelButton_, &QPushButton::click);
    connect(exitButton_, &QPushButton::clicked, this, &MainWindow::askToExit);
    connect(browseButton_, &QPushButton::clicked, this, &MainWindow::browseChosenFile);

    auto* menu = new QMenu(helpButton_);
    menu->setObjectName(QStringLiteral("HelpMenu"));
    QAction* help = menu->addAction(QStringLiteral("&Help"), this, &MainWindow::showHelp);
    help->setObjectName(QStringLiteral("ActHelp"));
    help->setShortcut(QKeySequence::HelpContents);
    addAction(help); // F1 anywhere in the window, the menu closed
    QAction* about = menu->addAction(QStringLiteral("&About ") + ProgramTitle, this, &MainWindow::showAbout);
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
    helpButton_->setMenu(menu);

    connect(fileList_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        openInBrowser(FileChooser::joinChosen(folderList_->path(), ListBox::entryOf(item)));
    });
    connect(chosenList_, &QListWidget::itemDoubleClicked, this,
        [this](QListWidgetItem* item) { openInBrowser(ListBox::entryOf(item)); });
}

void MainWindow::arrangeGrowth()
{
    using Shares = StretchPlacer::Shares;
    // The window: the left and right columns share the new width, the upper
    // and lower halves the new height; each row of buttons keeps to the list
    // or frame it serves.
    StretchPlacer& w = windowGrowth_;
    w.add(fileFrame_, Shares { 0, 0.5, 0, 0.5 });
    w.add(addButton_, Shares { 0.5, 0, 0.25, 0 });
    w.add(chosenFrame_, Shares { 0.5, 0.5, 0, 0.5 });
    for (QWidget* c : std::initializer_list<QWidget*> { fileCountLabel_, refreshButton_, selectAllButton_, chosenCountLabel_ })
        w.add(c, Shares { 0.5, 0, 0.5, 0 });
    for (QWidget* c : std::initializer_list<QWidget*> { clearChosenButton_, deselectButton_, cancelButton_ })
        w.add(c, Shares { 1, 0, 0.5, 0 });
    w.add(helpButton_, Shares { 1, 0, 0.75, 0 });
    for (QWidget* c : std::initializer_list<QWidget*> { progressLabel_, fileProgressBar_, overallProgressBar_ })
        w.add(c, Shares { 0.5, 0.5, 0.5, 0 });
    w.add(processButton_, Shares { 0.5, 0, 0.5, 0 });
    w.add(settingsFrame_, Shares { 0, 0.5, 0.5, 0.5 });
    w.add(browseButton_, Shares { 0.5, 0, 1, 0 });
    w.add(exitButton_, Shares { 1, 0, 1, 0 });

    // Choosing Files: fileList_ takes the width, both lists the height.
    frame1Growth_.setDrawnSize(fileFrame_->size());
    frame1Growth_.add(folderList_, Shares { 0, 0, 0, 1 });
    frame1Growth_.add(driveList_, Shares { 0, 0, 1, 0 });
    frame1Growth_.add(fileList_, Shares { 0, 1, 0, 1 });
    frame1Growth_.add(extensionLabel_, Shares { 1, 0, 1, 0 });
    frame1Growth_.add(extensionBox_, Shares { 1, 0, 1, 0 });

    frame2Growth_.setDrawnSize(chosenFrame_->size());
    frame2Growth_.add(chosenList_, Shares { 0, 1, 0, 1 });

    // Settings: the switches stay put, keywordList_ takes the room, the keyword
    // buttons keep to its right and below it.
    frame3Growth_.setDrawnSize(settingsFrame_->size());
    frame3Growth_.add(keywordList_, Shares { 0, 1, 0, 1 });
    frame3Growth_.add(settingsFrame_->findChild<QFrame*>(QStringLiteral("Line1")), Shares { 0, 0, 0, 1 });
    frame3Growth_.add(settingsFrame_->findChild<QFrame*>(QStringLiteral("Line3")), Shares { 1, 0, 0, 0 });
    frame3Growth_.add(settingsFrame_->findChild<QFrame*>(QStringLiteral("Line4")), Shares { 1, 0, 1, 0 });
    for (QWidget* c : std::initializer_list<QWidget*> { keywordUpButton_, keywordDownButton_, newKeywordButton_, openKeywordsButton_, keywordPropertyButton_, saveKeywordsButton_ })
        frame3Growth_.add(c, Shares { 1, 0, 0, 0 });
    for (QWidget* c : std::initializer_list<QWidget*> { clearKeywordsButton_, deleteKeywordButton_ })
        frame3Growth_.add(c, Shares { 0, 0, 1, 0 });
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    windowGrowth_.apply(size());
    frame1Growth_.apply(fileFrame_->size());
    frame2Growth_.apply(chosenFrame_->size());
    frame3Growth_.apply(settingsFrame_->size());
}

void MainWindow::orderTabs()
{
    // Choose in fileList_, add, tidy chosenList_; then the switches, the keywords, the run.
    QWidget* const order[] = { folderList_, driveList_, fileList_, extensionBox_, refreshButton_, selectAllButton_, addButton_, chosenList_, clearChosenButton_,
        deselectButton_, stripCheck_, websiteCheck_, emailCheck_, keywordsCheck_, keywordList_, keywordUpButton_, keywordDownButton_, newKeywordButton_, openKeywordsButton_, keywordPropertyButton_,
        saveKeywordsButton_, clearKeywordsButton_, deleteKeywordButton_, processButton_, cancelButton_, helpButton_, browseButton_, exitButton_ };
    for (std::size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

bool MainWindow::runGoingOn() const
{
    return running_ || cancelButton_->isEnabled();
}

void MainWindow::resetWindow()
{
    // 1. The keyword table, the first time only; a reset keeps the user's keywords.
    if (!state_.keywordsLoaded) {
        session_.useKeywords(std::make_shared<KeywordFile>(LocalBytes(session_.keywordOpenPath)));
        state_.keywordsLoaded = true;
    }
    // 2.
    state_.run.results.reset();
    // 3. The chooser onto the working directory. The controls only catch up
    // with the current drive and directory here, so their change rules stay
    // quiet; steps 5 and 6 fill fileList_ and fileCountLabel_ in any case.
    const QString cwd = WorkingFolder();
    {
        const QSignalBlocker quietDrive(driveList_);
        const QSignalBlocker quietDir(folderList_);
        driveList_->setDrive(driveList_->driveOf(cwd));
        folderList_->setPath(cwd);
    }
    patternList_->setPath(cwd);
    // 4.
    state_.settings.extensionFilter = FileChooser::suffixFrom(extensionBox_->currentText());
    patternList_->setPattern(QStringLiteral("*.") + state_.settings.extensionFilter);
    // 5., 6.
    chooser_->refillFileList();
    chooser_->showFileCount();
    // 7.
    refillKeywordList();
    // 8. Unchecking a checked switch runs its rule.
    for (CheckBox* box : { stripCheck_, websiteCheck_, emailCheck_, keywordsCheck_ }) {
        box->setChecked(false);
        box->setCaptionColour(Grey);
    }
    // 9.
    keywordList_->setBackgroundColour(PaletteColour::system(0));
    keywordList_->setEnabled(false);
    // 10.
    setKeywordButtonsEnabled(false);
    cancelButton_->setEnabled(false);
    escape_->setEnabled(false);
    processButton_->setEnabled(true);
    exitButton_->setEnabled(true);
    // 11.
    state_.settings.email = false;
    state_.settings.website = false;
    state_.settings.keyword = false;
    state_.run.cancelRequested = false;
    // 12.
    overallProgressBar_->setValue(0.0f);
    fileProgressBar_->setValue(0.0f);
    // 13.
    chosenList_->clear();
    // 14.
    chosenCountLabel_->setText(QString());
    progressLabel_->setCaption(QString());
}

void MainWindow::refillKeywordList()
{
    keywordList_->clear();
    KeywordTable* table = session_.keywords();
    if (!table || table->recordCount() == 0)
        return;
    QStringList names;
    for (table->moveFirst(); !table->eof(); table->moveNext())
        names << FromLocalBytes(table->name());
    keywordList_->appendEntries(names);
}

void MainWindow::setKeywordButtonsEnabled(bool enabled)
{
    for (QPushButton* b : { newKeywordButton_, deleteKeywordButton_, clearKeywordsButton_, keywordPropertyButton_, openKeywordsButton_, saveKeywordsButton_, keywordUpButton_, keywordDownButton_ })
        b->setEnabled(enabled);
}

void MainWindow::stripSwitched(bool checked)
{
    if (checked) {
        stripCheck_->setCaptionColour(PaletteColour::text());
        state_.settings.email = false;
        state_.settings.keyword = false;
        keywordsCheck_->setChecked(false);
        keywordsCheck_->setEnabled(false);
        state_.settings.website = false;
        websiteCheck_->setChecked(false);
        websiteCheck_->setEnabled(false);
        emailCheck_->setChecked(false);
        emailCheck_->setEnabled(false);
        state_.settings.strip = true;
    } else {
        stripCheck_->setCaptionColour(Grey);
        // The extraction switches stay unchecked: the user checks them again.
        keywordsCheck_->setEnabled(true);
        websiteCheck_->setEnabled(true);
        emailCheck_->setEnabled(true);
        state_.settings.strip = false;
    }
}

void MainWindow::websiteSwitched(bool checked)
{
    state_.settings.website = checked;
    websiteCheck_->setCaptionColour(checked ? PaletteColour::text() : Grey);
}

void MainWindow::emailSwitched(bool checked)
{
    state_.settings.email = checked;
    emailCheck_->setCaptionColour(checked ? PaletteColour::text() : Grey);
}

void MainWindow::keywordSwitched(bool checked)
{
    // The keyword table itself is not touched: switching off and on keeps it.
    state_.settings.keyword = checked;
    keywordsCheck_->setCaptionColour(checked ? PaletteColour::text() : Grey);
    keywordList_->setBackgroundColour(PaletteColour::system(checked ? 5 : 0));
    keywordList_->setEnabled(checked);
    if (checked)
        keywordList_->update();
    setKeywordButtonsEnabled(checked);
}

void MainWindow::askToExit()
{
    if (prompts_.message(QStringLiteral("Do you want to exit the program?"), Icon::None, Buttons::YesNo) == Answer::Yes)
        close();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (running_) {
        // The run still uses the tables: ask it to stop, and close once it has.
        state_.run.cancelRequested = true;
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
        session_.useKeywords(nullptr);
        state_.run.results.reset();
    }
    event->accept();
}

void MainWindow::startProcessing()
{
    running_ = true;
    tamsenor::ProcessChosenFiles(*this);
    running_ = false;
    if (closePending_) {
        closePending_ = false;
        close();
    }
}

void MainWindow::setMemory(WindowMemory* memory)
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

ResultsWindow* MainWindow::resultsWindow() const
{
    return resultsWindow_;
}

bool MainWindow::showResults()
{
    if (!previewAction_->isChecked() || !state_.run.results)
        return false;
    QStringList runFiles;
    for (int i = 0; i < chosenCount(); ++i)
        runFiles << chosenEntry(i);
    // The window keeps the table alive past the reset that follows the run.
    resultsWindow_ = new ResultsWindow(
        state_.run.results, runFiles, prompts_, session_,
        [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }, this);
    resultsWindow_->setWindowModality(Qt::WindowModal);
    resultsWindow_->show();
    return true;
}

void MainWindow::showHelp()
{
    showPage(help_, QStringLiteral("HelpWindow"), ProgramTitle + QStringLiteral(" Help"), HelpPageHtml());
}

void MainWindow::showAbout()
{
    showPage(about_, QStringLiteral("AboutWindow"), QStringLiteral("About ") + ProgramTitle, AboutPageHtml());
}

void MainWindow::showPage(QPointer<HelpWindow>& page, const QString& name, const QString& title, const QString& html)
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

void MainWindow::setBrowserOpener(std::function<void(const QString&)> opener)
{
    browserOpener_ = std::move(opener);
}

void MainWindow::openInBrowser(const QString& path)
{
    if (browserOpener_)
        browserOpener_(path);
}

void MainWindow::browseChosenFile()
{
    QString first;
    for (int i = 0; i < chosenList_->count(); ++i) {
        if (chosenList_->isEntrySelected(i)) {
            first = chosenList_->entry(i);
            break;
        }
    }
    openInBrowser(first);
}

// RunHost

int MainWindow::chosenCount() const
{
    return chosenList_->count();
}

QString MainWindow::chosenEntry(int index) const
{
    return chosenList_->entry(index);
}

void MainWindow::clearChosen()
{
    chosenList_->clear();
}

bool MainWindow::stripChecked() const
{
    return stripCheck_->isChecked();
}

void MainWindow::setCommandsEnabled(bool process, bool exit, bool cancel)
{
    processButton_->setEnabled(process);
    exitButton_->setEnabled(exit);
    cancelButton_->setEnabled(cancel);
    escape_->setEnabled(cancel);
}

float MainWindow::overallProgress() const
{
    return overallProgressBar_->value();
}

bool MainWindow::setOverallProgress(float value)
{
    return overallProgressBar_->setValue(value);
}

float MainWindow::fileProgress() const
{
    return fileProgressBar_->value();
}

bool MainWindow::setFileProgress(float value)
{
    return fileProgressBar_->setValue(value);
}

void MainWindow::setProgressCaption(const QString& text)
{
    progressLabel_->setCaption(text);
}

void MainWindow::yield()
{
    QCoreApplication::processEvents();
}

void MainWindow::reset()
{
    resetWindow();
}

int MainWindow::workerCount() const
{
    // Files are read and stripped on every core; this thread keeps the window live.
    return std::max(1, QThread::idealThreadCount());
}

} // namespace tamsenor
