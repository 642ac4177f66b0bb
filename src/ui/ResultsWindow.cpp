#include "ui/ResultsWindow.h"

#include "ui/toolkit/CommandButton.h"

#include "files/LocalText.h"
#include "engine/SaveResults.h"
#include "ui/ResultsModel.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QScreen>
#include <QHBoxLayout>
#include <QHash>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace tamsenor {

namespace {

// A caption that names the control beside it, for the eye and for screen readers.
QLabel* caption(QWidget* parent, const QString& text, QWidget* buddy)
{
    auto* l = new QLabel(text, parent);
    l->setBuddy(buddy);
    buddy->setAccessibleName(QString(text).remove(QLatin1Char('&')).remove(QLatin1Char(':')));
    return l;
}

// The export formats in the order of the format box.
const ResultsFormat ExportFormats[] = { ResultsFormat::Csv, ResultsFormat::JsonLines };

FileDialogSetup ExportDialog(ResultsFormat format)
{
    FileDialogSetup dialog;
    dialog.suffix = QString::fromLatin1(ResultsFormatName(format));
    dialog.proposedName = QStringLiteral("results.") + dialog.suffix;
    dialog.filter = format == ResultsFormat::Csv ? QStringLiteral("CSV Files(*.csv)|*.csv|All Files(*.*)|*.*")
                                                 : QStringLiteral("JSON Lines(*.jsonl)|*.jsonl|All Files(*.*)|*.*");
    dialog.filterIndex = 1;
    dialog.dialog = QStringLiteral("ExportDialog"); // not the results file's name
    dialog.kind = FileKind::Results;
    return dialog;
}

QString Rows(std::size_t count)
{
    return count == 1 ? QStringLiteral("1 row was") : QStringLiteral("%1 rows were").arg(count);
}

} // namespace

QString messages::DiscardResultsQuestion()
{
    return QStringLiteral("The results are not saved. Do you want to discard them?");
}

QString messages::ExportShownRowsQuestion(int shown, std::size_t all)
{
    return QStringLiteral("The filter shows %1 of the %2 rows. Do you want to export only the rows shown? No "
                          "exports all rows.")
        .arg(shown)
        .arg(all);
}

QString messages::ResultsSaved(std::size_t rows, const QString& path)
{
    return QStringLiteral("%1 saved to '%2'.").arg(Rows(rows), path);
}

QString messages::ResultsExported(std::size_t rows, const QString& path, const QString& format)
{
    return QStringLiteral("%1 exported to '%2' as %3.").arg(Rows(rows), path, format);
}

ResultsWindow::ResultsWindow(std::shared_ptr<RunResults> results, QStringList runFiles, Prompts& prompts, SessionState& session,
    std::function<void()> yield, QWidget* parent, std::size_t maxLoadedBytes)
    : QDialog(parent)
    , results_(std::move(results))
    , runFiles_(std::move(runFiles))
    , prompts_(prompts)
    , session_(session)
    , yield_(std::move(yield))
{
    setObjectName(QStringLiteral("ResultsWindow"));
    setWindowTitle(ProgramTitle + QStringLiteral(" Results"));
    setAttribute(Qt::WA_DeleteOnClose);
    setSizeGripEnabled(true);

    model_ = new ResultsModel(LoadResultsRows(*results_, maxLoadedBytes), this);
    proxy_ = new QSortFilterProxyModel(this);
    proxy_->setSourceModel(model_);
    proxy_->setFilterKeyColumn(-1);
    proxy_->setFilterCaseSensitivity(Qt::CaseInsensitive);
    proxy_->setSortCaseSensitivity(Qt::CaseInsensitive);

    filter_ = new QLineEdit(this);
    filter_->setObjectName(QStringLiteral("TxtFilter"));
    filter_->setClearButtonEnabled(true);
    filter_->setPlaceholderText(QStringLiteral("Text in any column"));
    auto* filterCaption = caption(this, QStringLiteral("&Filter:"), filter_);
    filter_->setAccessibleDescription(QStringLiteral("Shows only the rows holding this text in any column"));

    table_ = new QTableView(this);
    table_->setObjectName(QStringLiteral("TblResults"));
    table_->setAccessibleName(QStringLiteral("Results"));
    table_->setModel(proxy_);
    // Tab goes on to the next control; the arrow keys move within the table.
    table_->setTabKeyNavigation(false);
    table_->setSortingEnabled(true);
    table_->sortByColumn(-1, Qt::AscendingOrder); // the run's order until a title is clicked
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    // One line per finding; a long path keeps both its ends in sight.
    table_->setWordWrap(false);
    table_->setTextElideMode(Qt::ElideMiddle);
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->horizontalHeader()->setMaximumSectionSize(480);
    table_->resizeColumnsToContents(); // measured on the first rows only

    const ResultsRows& loaded = model_->loaded();
    note_ = new QLabel(this);
    note_->setObjectName(QStringLiteral("LblResultsNote"));
    note_->setWordWrap(true);
    note_->setAccessibleDescription(QStringLiteral("Why not every finding is shown"));
    if (!loaded.read.ok) {
        note_->setText(QStringLiteral("Only %1 of the %2 findings could be read back (%3); Save and Export will "
                                      "fail for the same reason.")
                           .arg(loaded.rows.size())
                           .arg(loaded.dataRows)
                           .arg(QString::fromStdString(loaded.read.reason)));
    } else if (!loaded.complete()) {
        note_->setText(QStringLiteral("The first %1 of the %2 findings are shown; Save and Export write all of them.")
                           .arg(loaded.rows.size())
                           .arg(loaded.dataRows));
    }
    note_->setVisible(!note_->text().isEmpty());

    counts_ = new QLabel(this);
    counts_->setObjectName(QStringLiteral("LblColumnCounts"));
    counts_->setWordWrap(true);
    counts_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // Its text is what screen readers read; this says what the text is.
    counts_->setAccessibleDescription(QStringLiteral("How many of the rows shown have a value in each column"));

    distinctColumn_ = new QComboBox(this);
    distinctColumn_->setObjectName(QStringLiteral("CboDistinctColumn"));
    distinctColumn_->addItems(loaded.columns);
    auto* distinctCaption = caption(this, QStringLiteral("&Distinct values of:"), distinctColumn_);
    distinct_ = new QTableWidget(0, 2, this);
    distinct_->setObjectName(QStringLiteral("TblDistinct"));
    distinct_->setAccessibleName(QStringLiteral("Distinct values and how often each occurs"));
    distinct_->setHorizontalHeaderLabels({ QStringLiteral("Value"), QStringLiteral("Count") });
    distinct_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    distinct_->setTabKeyNavigation(false);
    distinct_->verticalHeader()->hide();
    distinct_->setWordWrap(false);
    distinct_->setTextElideMode(Qt::ElideMiddle);
    distinct_->horizontalHeader()->setStretchLastSection(false);
    distinct_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);

    exportFormat_ = new QComboBox(this);
    exportFormat_->setObjectName(QStringLiteral("CboExportFormat"));
    exportFormat_->addItems({ QStringLiteral("CSV"), QStringLiteral("JSON Lines") });
    auto* formatCaption = caption(this, QStringLiteral("Export f&ormat:"), exportFormat_);
    auto* save = MakeCommandButton(this, "CmdSaveResults", QStringLiteral("&Save…"),
        QStringLiteral("Save the results as the tab-separated results file"));
    auto* exportButton = MakeCommandButton(
        this, "CmdExportResults", QStringLiteral("&Export…"), QStringLiteral("Write the results in the export format"));
    auto* closeButton = MakeCommandButton(
        this, "CmdCloseResults", QStringLiteral("&Close"), QStringLiteral("Close without saving the results"));

    auto* filterRow = new QHBoxLayout;
    filterRow->addWidget(filterCaption);
    filterRow->addWidget(filter_, 1);
    auto* side = new QWidget(this);
    auto* sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(0, 0, 0, 0);
    sideLayout->addWidget(distinctCaption);
    sideLayout->addWidget(distinctColumn_);
    sideLayout->addWidget(distinct_, 1);
    auto* splitter = new QSplitter(this);
    splitter->addWidget(table_);
    splitter->addWidget(side);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(formatCaption);
    buttons->addWidget(exportFormat_);
    buttons->addStretch(1);
    buttons->addWidget(save);
    buttons->addWidget(exportButton);
    buttons->addWidget(closeButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filterRow);
    layout->addWidget(note_);
    layout->addWidget(splitter, 1);
    layout->addWidget(counts_);
    layout->addLayout(buttons);
    // Reading order: the filter, what it shows, the summary beside it, then the commands.
    QWidget* chain[] = { filter_, table_, distinctColumn_, distinct_, exportFormat_, save, exportButton, closeButton };
    for (std::size_t i = 1; i < std::size(chain); ++i)
        setTabOrder(chain[i - 1], chain[i]);
    fitScreen();

    connect(filter_, &QLineEdit::textChanged, this, [this](const QString& text) {
        proxy_->setFilterFixedString(text);
        refreshSummary();
    });
    connect(distinctColumn_, &QComboBox::currentIndexChanged, this, [this] { refreshSummary(); });
    connect(save, &QPushButton::clicked, this, &ResultsWindow::save);
    connect(exportButton, &QPushButton::clicked, this, &ResultsWindow::exportResults);
    connect(closeButton, &QPushButton::clicked, this, &ResultsWindow::reject);
    refreshSummary();
}

ResultsWindow::~ResultsWindow() = default;

void ResultsWindow::refreshSummary()
{
    const int columns = model_->columnCount();
    const int rows = proxy_->rowCount();
    std::vector<int> filled(static_cast<std::size_t>(columns), 0);
    QHash<QString, int> distinct;
    const int chosen = distinctColumn_->currentIndex();
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            const QString value = proxy_->index(r, c).data().toString();
            if (!value.isEmpty())
                ++filled[static_cast<std::size_t>(c)];
            if (c == chosen)
                ++distinct[value];
        }
    }
    QStringList parts;
    for (int c = 0; c < columns; ++c)
        parts << QStringLiteral("%1: %2").arg(model_->loaded().columns[c]).arg(filled[static_cast<std::size_t>(c)]);
    counts_->setText(
        QStringLiteral("Rows shown: %1. Values per column: %2").arg(rows).arg(parts.join(QStringLiteral(", "))));

    // Most frequent first, then by value.
    std::vector<std::pair<QString, int>> ordered;
    ordered.reserve(static_cast<std::size_t>(distinct.size()));
    for (auto it = distinct.cbegin(); it != distinct.cend(); ++it)
        ordered.emplace_back(it.key(), it.value());
    std::sort(ordered.begin(), ordered.end(),
        [](const auto& a, const auto& b) { return a.second != b.second ? a.second > b.second : a.first < b.first; });
    distinct_->setSortingEnabled(false);
    distinct_->setRowCount(static_cast<int>(ordered.size()));
    for (int i = 0; i < static_cast<int>(ordered.size()); ++i) {
        const auto& [value, count] = ordered[static_cast<std::size_t>(i)];
        distinct_->setItem(i, 0, new QTableWidgetItem(value));
        auto* number = new QTableWidgetItem;
        number->setData(Qt::DisplayRole, count);
        distinct_->setItem(i, 1, number);
    }
}

void ResultsWindow::fitScreen()
{
    // At a large scale the usual size can pass the screen: every button stays in sight.
    QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    QSize size(820, 520);
    if (screen) {
        const QSize room = screen->availableGeometry().size() * 0.9;
        size = size.boundedTo(room).expandedTo(minimumSizeHint()).boundedTo(screen->availableGeometry().size());
    }
    resize(size);
}

void ResultsWindow::reject()
{
    if (!kept_ && !closingWithOwner_
        && prompts_.message(messages::DiscardResultsQuestion(), Icon::None, Buttons::YesNo) != Answer::Yes)
        return;
    QDialog::reject();
}

void ResultsWindow::closeEvent(QCloseEvent* event)
{
    // The close box is the user's; a close the program sends (the main window
    // going) asks nothing.
    closingWithOwner_ = !event->spontaneous();
    QDialog::closeEvent(event);
    closingWithOwner_ = false;
}

std::shared_ptr<RunResults> ResultsWindow::shownRows() const
{
    const ResultsRows& loaded = model_->loaded();
    std::vector<std::string> names;
    for (const QString& column : loaded.columns)
        names.push_back(LocalBytes(column));
    auto shown = std::make_shared<RunResults>(names);
    ResultsTable& table = shown->table;
    table.addRow(); // the header row
    for (std::size_t c = 0; c < names.size(); ++c)
        table.setValue(c, names[c]);
    for (int r = 0; r < proxy_->rowCount(); ++r) {
        const QStringList& row = loaded.rows[static_cast<std::size_t>(proxy_->mapToSource(proxy_->index(r, 0)).row())];
        table.addRow();
        for (qsizetype c = 0; c < row.size(); ++c)
            table.setValue(static_cast<std::size_t>(c), LocalBytes(row[c]));
    }
    return shown;
}

void ResultsWindow::save()
{
    FileDialogSetup dialog = ResultsFileDialog();
    dialog.proposedName = QStringLiteral("results.txt");
    if (SaveResultsAs(prompts_, session_, *results_, runFiles_, dialog, ResultsFormat::Tsv, yield_)
        != SaveOutcome::Saved)
        return;
    kept_ = true;
    prompts_.message(messages::ResultsSaved(model_->loaded().dataRows, session_.resultsSavePath), Icon::Information,
        Buttons::Ok);
    close();
}

void ResultsWindow::exportResults()
{
    const int formatIndex = std::clamp(exportFormat_->currentIndex(), 0, 1);
    const ResultsFormat format = ExportFormats[formatIndex];
    const std::size_t all = model_->loaded().dataRows;
    const int shownCount = proxy_->rowCount();
    const bool filtered = !proxy_->filterRegularExpression().pattern().isEmpty() && shownCount < model_->rowCount();
    const bool onlyShown = filtered
        && prompts_.message(messages::ExportShownRowsQuestion(shownCount, all), Icon::None, Buttons::YesNo)
            == Answer::Yes;
    const std::shared_ptr<RunResults> rows = onlyShown ? shownRows() : results_;
    if (SaveResultsAs(prompts_, session_, *rows, runFiles_, ExportDialog(format), format, yield_)
        != SaveOutcome::Saved)
        return;
    if (!onlyShown)
        kept_ = true;
    prompts_.message(messages::ResultsExported(onlyShown ? static_cast<std::size_t>(shownCount) : all,
                         session_.resultsSavePath, exportFormat_->itemText(formatIndex)),
        Icon::Information, Buttons::Ok);
}

} // namespace tamsenor
