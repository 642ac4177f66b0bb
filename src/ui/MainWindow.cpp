#include "ui/MainWindow.h"

#include "files/LocalText.h"
#include "engine/ProcessRun.h"
#include "ui/keywords/KeywordCommands.h"
#include "ui/ChosenFilesDrop.h"
#include "ui/FileChooser.h"
#include "ui/HelpText.h"
#include "ui/HelpWindow.h"
#include "ui/ResultsWindow.h"
#include "ui/WindowMemory.h"
#include "ui/toolkit/AccessibleRoles.h"
#include "ui/toolkit/CheckBox.h"
#include "ui/toolkit/DirList.h"
#include "ui/toolkit/DriveList.h"
#include "ui/toolkit/ElidingLabel.h"
#include "ui/toolkit/FileList.h"
#include "ui/toolkit/Folders.h"
#include "ui/toolkit/FramePacer.h"
#include "ui/toolkit/PacedCall.h"
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
#include <type_traits>

namespace tamsenor {

namespace {

// Stores a made control in the member named after it.
template <auto Member> void keep(MainWindow& window, QWidget* control)
{
    using Control = std::remove_pointer_t<std::remove_reference_t<decltype(window.*Member)>>;
    window.*Member = static_cast<Control*>(control);
}

// A count label ("Total: " and up to six digits) in the row of the button
// `next`, ending a little before it. It starts at its drawn left edge, or
// further left when a six-digit count would not fit there.
void placeCountLabel(QLabel* label, const QWidget* next, double s)
{
    const QString text = label->text();
    label->setText(QStringLiteral("Total: 888888"));
    const int needed = label->sizeHint().width();
    label->setText(text);
    const int right = next->x() - twips(60, s);
    const int left = std::min(label->x(), right - needed);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label->setGeometry(left, next->y(), right - left, next->height());
}

// An unchecked switch's caption: the application workspace grey.
const PaletteColour Grey = PaletteColour::system(SystemColour::AppWorkspace);

} // namespace

const std::vector<MainWindow::Control>& MainWindow::controls()
{
    using K = ControlKind;
    // The window's own growth is shared out between the left and right
    // columns (width) and the upper and lower halves (height); each row of
    // buttons keeps to the list or frame it serves. Inside a frame the lists
    // take the room and the buttons beside them follow.
    static const std::vector<Control> table = {
        // Choosing Files
        { { "Frame1", K::Frame, "Choosing Files", nullptr, { 120, 0, 4695, 2535 }, { 0, 0.5, 0, 0.5 } },
            &keep<&MainWindow::fileFrame_> },
        { { "Dir1", K::DirList, {}, "Frame1", { 120, 360, 2055, 1215 }, { 0, 0, 0, 1 }, {}, "Directories" },
            &keep<&MainWindow::folderList_> },
        { { "Drive1", K::DriveList, {}, "Frame1", { 120, 1680, 2055, 315 }, { 0, 0, 1, 0 }, {}, "Drives" },
            &keep<&MainWindow::driveList_> },
        { { "List1", K::ListBox, {}, "Frame1", { 2280, 360, 2295, 1620 }, { 0, 1, 0, 1 }, {},
              "Files in the directory" },
            &keep<&MainWindow::fileList_> },
        { { "Combo1", K::ComboBox, {}, "Frame1", { 3120, 2040, 1455, 315 }, { 1, 0, 1, 0 }, {}, "File extension" },
            &keep<&MainWindow::extensionBox_> },
        { { "Label4", K::Label, "&File Extention:", "Frame1", { 1560, 2040, 1500, 315 }, { 1, 0, 1, 0 } },
            &keep<&MainWindow::extensionLabel_> },
        { { "CmdAdd", K::Button, ">>", nullptr, { 4920, 1200, 375, 255 }, { 0.5, 0, 0.25, 0 },
              "Add the files you have selected to be processed" },
            &keep<&MainWindow::addButton_> },
        // Chosen Files
        { { "Frame2", K::Frame, "Chosen Files", nullptr, { 5400, 0, 3015, 2535 }, { 0.5, 0.5, 0, 0.5 } },
            &keep<&MainWindow::chosenFrame_> },
        { { "List2", K::ListBox, {}, "Frame2", { 120, 360, 2775, 2010 }, { 0, 1, 0, 1 }, {}, "Chosen files" },
            &keep<&MainWindow::chosenList_> },
        // The counts end a little before the button right of them (placeCountLabel).
        { { "Label3", K::Label, {}, nullptr, { 2160, 2640, 780, 255 }, { 0.5, 0, 0.5, 0 }, {}, {},
              "Number of files in the directory" },
            &keep<&MainWindow::fileCountLabel_> },
        { { "CmdRfrs", K::Button, "&Refresh", nullptr, { 3000, 2640, 855, 255 }, { 0.5, 0, 0.5, 0 },
              "Re-list the files in current directory" },
            &keep<&MainWindow::refreshButton_> },
        { { "CmdSelectAll1", K::Button, "Select &All", nullptr, { 3960, 2640, 855, 255 }, { 0.5, 0, 0.5, 0 },
              "Select all the files in current directory" },
            &keep<&MainWindow::selectAllButton_> },
        { { "Label5", K::Label, {}, nullptr, { 5400, 2640, 1140, 255 }, { 0.5, 0, 0.5, 0 }, {}, {},
              "Number of chosen files" },
            &keep<&MainWindow::chosenCountLabel_> },
        { { "CmdSelectall2", K::Button, "C&lear", nullptr, { 6600, 2640, 855, 255 }, { 1, 0, 0.5, 0 },
              "Delete all the files" },
            &keep<&MainWindow::clearChosenButton_> },
        { { "CmdDele", K::Button, "&Deselect", nullptr, { 7560, 2640, 855, 255 }, { 1, 0, 0.5, 0 },
              "Delete the file(s) you don't want it to be processed" },
            &keep<&MainWindow::deselectButton_> },
        // The file being processed: a long path needs the width of the bars below.
        // A path longer than that is cut in its middle, so the name and size stay in view.
        { { "LblProgress", K::ElidingLabel, {}, nullptr, { 5280, 3000, 3135, 315 }, { 0.5, 0.5, 0.5, 0 }, {}, {},
              "File being processed" },
            &keep<&MainWindow::progressLabel_> },
        // Settings: the switches stay put, keywordList_ takes the room, the
        // keyword buttons keep to its right and below it.
        { { "Frame3", K::Frame, "Settings", nullptr, { 120, 3240, 4935, 3015 }, { 0, 0.5, 0.5, 0.5 } },
            &keep<&MainWindow::settingsFrame_> },
        { { "ChkKeyword", K::CheckBox, "&Keywords.", "Frame3", { 1680, 240, 1575, 375 } },
            &keep<&MainWindow::keywordsCheck_> },
        // The switch captions wrap onto two lines: each box has the height of two.
        { { "ChkStrip", K::CheckBox, "Striping &html Tags", "Frame3", { 120, 540, 1440, 480 } },
            &keep<&MainWindow::stripCheck_> },
        { { "ChkWebsite", K::CheckBox, "Extracting web &sites.", "Frame3", { 120, 1380, 1440, 480 } },
            &keep<&MainWindow::websiteCheck_> },
        // E-mail collection: the run supports it, so the window offers a switch.
        // Its access key is the one letter of its caption no other control has,
        // so that the links switch below can keep M.
        { { "ChkEmail", K::CheckBox, "Extractin&g e-mails.", "Frame3", { 120, 1920, 1440, 480 } },
            &keep<&MainWindow::emailCheck_> },
        // Links from the markup: opt-in, below the switches it adds to.
        { { "ChkLinks", K::CheckBox, "Links in &markup.", "Frame3", { 120, 2460, 1440, 480 }, {},
              "Also collect the links and mailto addresses written in each file's markup (columns Link and MailTo)" },
            &keep<&MainWindow::linksCheck_> },
        // The readable text: opt-in, for strip mode only, in the room the row above made.
        { { "ChkReadable", K::CheckBox, "Reada&ble text (UTF-8)", "Frame3", { 1680, 2520, 3135, 375 }, { 0, 0, 1, 0 },
              "Write each page's text as a browser shows it, in UTF-8 with LF line ends, instead of the stripped "
              "text" },
            &keep<&MainWindow::readableCheck_> },
        // The main text: a reading of the readable text, in the free corner
        // above it. Every letter of its caption marked another control: the
        // keyword Save button took "v", the web site switch its "s", and this one "i".
        { { "ChkMainText", K::CheckBox, "Ma&in text only", "Frame3", { 3300, 2145, 1515, 375 }, { 1, 0, 0, 0 },
              "Write only each page's main text: its title and article, without menus, headers, footers, "
              "sidebars, comments and ads (ticks the readable text)" },
            &keep<&MainWindow::mainTextCheck_> },
        { { "List3", K::ListBox, {}, "Frame3", { 1680, 600, 1575, 1425 }, { 0, 1, 0, 1 }, {}, "Keywords" },
            &keep<&MainWindow::keywordList_> },
        // Wide enough for "down" in the small font.
        { { "CmdUP", K::Button, "&up", "Frame3", { 3300, 600, 465, 615 }, { 1, 0, 0, 0 },
              "Put the selected KeyWord to upper position" },
            &keep<&MainWindow::keywordUpButton_> },
        { { "CmdDown", K::Button, "do&wn", "Frame3", { 3300, 1320, 465, 735 }, { 1, 0, 0, 0 },
              "Put the selected KeyWord to lower position" },
            &keep<&MainWindow::keywordDownButton_> },
        { { "CmdAddKW", K::Button, "&New", "Frame3", { 3840, 600, 975, 255 }, { 1, 0, 0, 0 },
              "Add a new KeyWord to current group of KeyWords" },
            &keep<&MainWindow::newKeywordButton_> },
        { { "CmdOpenKW", K::Button, "&Open", "Frame3", { 3840, 960, 975, 255 }, { 1, 0, 0, 0 },
              "Open a KeyWord text file" },
            &keep<&MainWindow::openKeywordsButton_> },
        { { "CmdPropertyKW", K::Button, "Propert&y", "Frame3", { 3840, 1320, 975, 255 }, { 1, 0, 0, 0 },
              "Check/Change the selected KeyWord" },
            &keep<&MainWindow::keywordPropertyButton_> },
        { { "CmdSaveKW", K::Button, "Sa&ve", "Frame3", { 3840, 1680, 975, 255 }, { 1, 0, 0, 0 },
              "Save current group of KeyWords to a text file" },
            &keep<&MainWindow::saveKeywordsButton_> },
        { { "CmdKWClear", K::Button, "Cl&ear", "Frame3", { 1680, 2160, 735, 255 }, { 0, 0, 1, 0 },
              "Delete all current keywords" },
            &keep<&MainWindow::clearKeywordsButton_> },
        { { "CmdDeleKW", K::Button, "Dele&te", "Frame3", { 2520, 2160, 735, 255 }, { 0, 0, 1, 0 },
              "Delete a selected KeyWord from current group of KeyWords" },
            &keep<&MainWindow::deleteKeywordButton_> },
        // The four separator lines of the settings frame.
        { { "Line1", K::VerticalLine, {}, "Frame3", { 1560, 240, 30, 2655 }, { 0, 0, 0, 1 } } },
        { { "Line2", K::HorizontalLine, {}, "Frame3", { 120, 1200, 1380, 30 } } },
        { { "Line3", K::VerticalLine, {}, "Frame3", { 3780, 600, 30, 1335 }, { 1, 0, 0, 0 } } },
        { { "Line4", K::HorizontalLine, {}, "Frame3", { 3360, 2100, 1455, 30 }, { 1, 0, 1, 0 } } },
        // Progress and commands
        { { "PBFProgress", K::ProgressBar, {}, nullptr, { 5280, 3360, 3135, 255 }, { 0.5, 0.5, 0.5, 0 }, {},
              "File progress" },
            &keep<&MainWindow::fileProgressBar_> },
        { { "PBProgress", K::ProgressBar, {}, nullptr, { 5280, 3720, 3135, 255 }, { 0.5, 0.5, 0.5, 0 }, {},
              "Overall progress" },
            &keep<&MainWindow::overallProgressBar_> },
        { { "CmdProcess", K::Button, "&ProcessFiles", nullptr, { 5280, 4080, 1335, 375 }, { 0.5, 0, 0.5, 0 },
              "Begin the processing" },
            &keep<&MainWindow::processButton_> },
        { { "CmdCancel", K::Button, "&Cancel", nullptr, { 7440, 4080, 975, 255 }, { 1, 0, 0.5, 0 } },
            &keep<&MainWindow::cancelButton_> },
        // Help in the free room below Cancel: the fixed layout has no menu bar.
        { { "CmdHelp", K::Button, "Help", nullptr, { 7440, 4620, 975, 255 }, { 1, 0, 0.75, 0 },
              "How to use the program (F1), and about it" },
            &keep<&MainWindow::helpButton_> },
        { { "CmdBrowse", K::Button, "Browse", nullptr, { 5280, 5160, 1335, 255 }, { 0.5, 0, 1, 0 },
              "Show the selected chosen file in the browser" },
            &keep<&MainWindow::browseButton_> },
        // Named by the window title: the program is called nothing else.
        { { "CmdEnd", K::Button, "E&xit", nullptr, { 7080, 5160, 1335, 255 }, { 1, 0, 1, 0 },
              QStringLiteral("Exit the \"%1\"").arg(ProgramTitle) },
            &keep<&MainWindow::exitButton_> },
    };
    return table;
}

MainWindow::MainWindow(Prompts& prompts, const Clock& clock, QWidget* parent)
    : QWidget(parent)
    , prompts_(prompts)
    , clock_(clock)
{
    InstallAccessibleRoles();
    setObjectName(QStringLiteral("Main"));
    setWindowTitle(ProgramTitle);
    framePacer_ = new FramePacer(this);
    titlePacer_ = new PacedCall(TitleMs, [this] { showRunPlaceInTitle(); }, this);
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
    const QSize drawn(twips(8580, s), twips(6405, s));
    setMinimumSize(drawn);
    resize(drawn);
    windowGrowth_.setDrawnSize(drawn);

    for (const Control& c : controls()) {
        QWidget* parent
            = c.row.parent ? findChild<QWidget*>(QString::fromLatin1(c.row.parent), Qt::FindDirectChildrenOnly) : this;
        QWidget* made = MakeControl(c.row, parent, s);
        if (c.keep)
            c.keep(*this, made);
    }

    fileList_->setExtendedSelection(true);

    // patternList_ shows nothing of its own: fileList_ shows its names.
    patternList_ = new FileList(this);
    patternList_->setObjectName(QStringLiteral("File1"));

    extensionBox_->setEditable(true);
    extensionBox_->setCompleter(nullptr); // typed text stays as typed
    extensionBox_->setInsertPolicy(QComboBox::NoInsert); // the item list is fixed
    extensionBox_->addItems({ QStringLiteral("* (All File)"), QStringLiteral("asp"), QStringLiteral("htm"),
        QStringLiteral("html"), QStringLiteral("txt") });
    extensionBox_->setCurrentIndex(-1);
    extensionBox_->setEditText(QString());
    extensionLabel_->setBuddy(extensionBox_);
    extensionLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    chosenList_->setExtendedSelection(true);
    chosenList_->setSorted(true);
    // Paths share their start: cut in the middle, each keeps its file name in
    // view (the whole path is the entry's tooltip and accessible name).
    chosenList_->setCutInTheMiddle();

    placeCountLabel(fileCountLabel_, refreshButton_, s);
    placeCountLabel(chosenCountLabel_, clearChosenButton_, s);

    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.75);
    keywordUpButton_->setFont(small);
    keywordDownButton_->setFont(small);
}

void MainWindow::wireRules()
{
    stripCheck_->setClickRule([this](bool checked) { stripSwitched(checked); });
    websiteCheck_->setClickRule([this](bool checked) { websiteSwitched(checked); });
    emailCheck_->setClickRule([this](bool checked) { emailSwitched(checked); });
    linksCheck_->setClickRule([this](bool checked) { linksSwitched(checked); });
    readableCheck_->setClickRule([this](bool checked) { readableSwitched(checked); });
    mainTextCheck_->setClickRule([this](bool checked) { mainTextSwitched(checked); });
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
    // Off until ticked, for this session: the extractors then search the text
    // a browser shows instead of the stripped one.
    QAction* readableExtraction = menu->addAction(QStringLiteral("&Extract from readable text"));
    readableExtraction->setObjectName(QStringLiteral("ActReadableExtraction"));
    readableExtraction->setCheckable(true);
    readableExtraction->setToolTip(QStringLiteral(
        "Extraction runs search each page's text as a browser shows it (character references decoded)"));
    connect(readableExtraction, &QAction::toggled, this, [this](bool on) { state_.settings.readableExtraction = on; });
    helpButton_->setMenu(menu);

    connect(fileList_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        openInBrowser(FileChooser::joinChosen(folderList_->path(), ListBox::entryOf(item)));
    });
    connect(chosenList_, &QListWidget::itemDoubleClicked, this,
        [this](QListWidgetItem* item) { openInBrowser(ListBox::entryOf(item)); });
}

void MainWindow::arrangeGrowth()
{
    // Each control follows the growth of the frame it lies in, or of the window.
    frame1Growth_.setDrawnSize(fileFrame_->size());
    frame2Growth_.setDrawnSize(chosenFrame_->size());
    frame3Growth_.setDrawnSize(settingsFrame_->size());
    auto placerOf = [this](const char* frame) -> StretchPlacer& {
        const QLatin1StringView name(frame ? frame : "");
        return name == "Frame1" ? frame1Growth_
            : name == "Frame2"  ? frame2Growth_
            : name == "Frame3"  ? frame3Growth_
                                : windowGrowth_;
    };
    for (const Control& c : controls()) {
        if (c.row.grows())
            placerOf(c.row.parent).add(findChild<QWidget*>(QString::fromLatin1(c.row.name)), c.row.growth);
    }
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
    QWidget* const order[] = { folderList_, driveList_, fileList_, extensionBox_, refreshButton_, selectAllButton_,
        addButton_, chosenList_, clearChosenButton_, deselectButton_, stripCheck_, websiteCheck_, emailCheck_,
        linksCheck_, readableCheck_, mainTextCheck_, keywordsCheck_, keywordList_, keywordUpButton_, keywordDownButton_, newKeywordButton_, openKeywordsButton_,
        keywordPropertyButton_, saveKeywordsButton_, clearKeywordsButton_, deleteKeywordButton_, processButton_,
        cancelButton_, helpButton_, browseButton_, exitButton_ };
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
    for (CheckBox* box :
        { stripCheck_, websiteCheck_, emailCheck_, linksCheck_, readableCheck_, mainTextCheck_, keywordsCheck_ }) {
        box->setChecked(false);
        box->setCaptionColour(Grey);
    }
    readableCheck_->setEnabled(false); // a strip mode switch
    mainTextCheck_->setEnabled(false);
    // 9.
    keywordList_->setBackgroundColour(PaletteColour::system(SystemColour::ScrollBar));
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
    state_.settings.links = false;
    state_.settings.readable = false;
    state_.settings.mainText = false;
    state_.run.cancelRequested = false;
    // 12.
    overallProgressBar_->setValue(0.0f);
    fileProgressBar_->setValue(0.0f);
    // 13.
    chosenList_->clear();
    // 14. (The run's place, beyond the caption, goes with it: first, so
    // that a screen reader is told of the empty caption once.)
    runFile_ = runCount_ = 0;
    progressLabel_->setNote(QString());
    setWindowTitle(ProgramTitle);
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
        state_.settings.links = false;
        linksCheck_->setChecked(false);
        linksCheck_->setEnabled(false);
        readableCheck_->setEnabled(true);
        mainTextCheck_->setEnabled(true);
        state_.settings.strip = true;
    } else {
        stripCheck_->setCaptionColour(Grey);
        // The extraction switches stay unchecked: the user checks them again.
        keywordsCheck_->setEnabled(true);
        websiteCheck_->setEnabled(true);
        emailCheck_->setEnabled(true);
        linksCheck_->setEnabled(true);
        state_.settings.readable = false;
        readableCheck_->setChecked(false);
        readableCheck_->setCaptionColour(Grey);
        readableCheck_->setEnabled(false);
        mainTextCheck_->setEnabled(false);
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

void MainWindow::linksSwitched(bool checked)
{
    state_.settings.links = checked;
    linksCheck_->setCaptionColour(checked ? PaletteColour::text() : Grey);
}

void MainWindow::readableSwitched(bool checked)
{
    state_.settings.readable = checked;
    readableCheck_->setCaptionColour(checked ? PaletteColour::text() : Grey);
    // The main text is a reading of the readable text.
    if (!checked)
        mainTextCheck_->setChecked(false);
}

void MainWindow::mainTextSwitched(bool checked)
{
    state_.settings.mainText = checked;
    mainTextCheck_->setCaptionColour(checked ? PaletteColour::text() : Grey);
    if (checked)
        readableCheck_->setChecked(true);
}

void MainWindow::keywordSwitched(bool checked)
{
    // The keyword table itself is not touched: switching off and on keeps it.
    state_.settings.keyword = checked;
    keywordsCheck_->setCaptionColour(checked ? PaletteColour::text() : Grey);
    keywordList_->setBackgroundColour(
        PaletteColour::system(checked ? SystemColour::WindowBackground : SystemColour::ScrollBar));
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
    // A run changes its bars and caption far more often than the display
    // shows frames; painting each change would make the display the pace.
    framePacer_->setOn(true);
    tamsenor::ProcessChosenFiles(*this);
    framePacer_->setOn(false);
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

void MainWindow::setRunPlace(int file, int count)
{
    runFile_ = file;
    runCount_ = count;
    progressLabel_->setNote(QStringLiteral("file %1 of %2").arg(file).arg(count));
    titlePacer_->request();
}

void MainWindow::showRunPlaceInTitle()
{
    // The share of the files done, for a window seen only in the task bar.
    const QString title = runCount_ > 0
        ? QStringLiteral("%1% - ").arg(static_cast<int>((runFile_ - 1) * 100LL / runCount_)) + ProgramTitle
        : ProgramTitle;
    if (windowTitle() != title)
        setWindowTitle(title);
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
