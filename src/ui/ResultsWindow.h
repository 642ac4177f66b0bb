#pragma once

#include "engine/SessionState.h"
#include "engine/Prompts.h"
#include "results/RunResults.h"

#include <QDialog>
#include <QStringList>

#include <cstddef>
#include <functional>
#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;
class QTableWidget;

namespace tamsenor {

class ResultsModel;

// The results of one extraction run, to look at before saving them: a
// sortable table with a filter, the non-empty values per column, the distinct
// values of one column, and Save…, Export… and Close. Save takes the save
// steps of the save question's Yes; Export writes CSV or JSON Lines, all rows
// or the rows the filter shows; each ends with a note of what went where.
// Close, Escape and the close box discard results that were neither saved
// nor exported whole only after the user says Yes (as No to the save
// question does). It is shown beside the main window (never run modally).
class ResultsWindow : public QDialog {
    Q_OBJECT
public:
    // Rows past `maxLoadedBytes` (in the results file's bytes) are not shown;
    // a note says so, and Save and Export still write every row.
    static constexpr std::size_t DefaultLoadedBytes = 64u << 20;

    // `runFiles` are the files of the run: the results never replace one.
    // `yield` lets the main window repaint while a file is written.
    ResultsWindow(std::shared_ptr<RunResults> results, QStringList runFiles, Prompts& prompts, SessionState& session,
        std::function<void()> yield, QWidget* parent = nullptr, std::size_t maxLoadedBytes = DefaultLoadedBytes);
    ~ResultsWindow() override;

    QTableView* table() const { return table_; }

public Q_SLOTS:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void save();
    void exportResults();
    void refreshSummary();
    // The rows the filter shows, in their shown order, as a table of their own.
    std::shared_ptr<RunResults> shownRows() const;
    void fitScreen();

    std::shared_ptr<RunResults> results_;
    QStringList runFiles_;
    Prompts& prompts_;
    SessionState& session_;
    std::function<void()> yield_;
    bool kept_ = false; // saved, or exported whole
    bool closingWithOwner_ = false; // closed by the program, not the user: nothing to ask

    ResultsModel* model_ = nullptr;
    QSortFilterProxyModel* proxy_ = nullptr;
    QLineEdit* filter_ = nullptr;
    QTableView* table_ = nullptr;
    QLabel* note_ = nullptr;
    QLabel* counts_ = nullptr;
    QComboBox* distinctColumn_ = nullptr;
    QTableWidget* distinct_ = nullptr;
    QComboBox* exportFormat_ = nullptr;
};

namespace messages {
QString DiscardResultsQuestion();
QString ExportShownRowsQuestion(int shown, std::size_t all);
QString ResultsSaved(std::size_t rows, const QString& path);
QString ResultsExported(std::size_t rows, const QString& path, const QString& format);
} // namespace messages

} // namespace tamsenor
