#include "ui/keywords/KeywordCommands.h"

#include "ui/keywords/NewKeywordDialog.h"
#include "ui/keywords/KeywordSourceDialog.h"
#include "ui/keywords/KeywordPropertiesDialog.h"
#include "ui/keywords/PositionSyntax.h"
#include "engine/SaveWithReplace.h"

#include <QDialog>

namespace tamsenor {

namespace {

// The keyword file dialogs: "Text Files(*.txt)" preselected. KeywordSourceDialog has a
// dialog control of its own, which remembers its own last file name.
const FileDialogSetup KeywordFileDialog { TextFileFilter, 2, QString(), FileKind::Keywords, {}, {} };
const FileDialogSetup PreAddFileDialog { TextFileFilter, 2, QStringLiteral("FrmPreAdd.CommonDialog1"),
    FileKind::Keywords, {}, {} };

QString FromLocal(const std::string& bytes)
{
    return QString::fromLocal8Bit(bytes);
}

std::string ToLocal(const QString& text)
{
    return text.toLocal8Bit().toStdString();
}

// Tells where loading stopped and why, in the words the entry dialogs use
// for the same value.
void ReportPartialLoad(Prompts& prompts, const KeywordFile& object, const QString& path)
{
    const KeywordLoadResult& report = object.loadReport();
    const int line = report.stoppedAtLine;
    if (line <= 0)
        return;
    const EntryProblem why = report.tooLong == KeywordLoadResult::Field::Position ? EntryProblem::PositionTooLong
                                                                                    : EntryProblem::KeywordTooLong;
    const QString lead = line == 1
        ? QStringLiteral("No KeyWord of '%1' was loaded, line 1 was refused: ").arg(path)
        : QStringLiteral("Only the KeyWords before line %1 of '%2' were loaded, line %1 was refused: ").arg(line).arg(path);
    prompts.message(lead + QString::fromLatin1(EntryProblemMessage(why)) + QStringLiteral(" (over 100 characters)."),
        Icon::Exclamation, Buttons::Ok);
}

// Exchanges the field values of records a and b (1-based); the records keep their places.
void SwapRecords(KeywordTable& table, int a, int b)
{
    if (!table.moveTo(a))
        return;
    const std::string nameA = table.name();
    const std::string positionA = table.position();
    if (!table.moveTo(b))
        return;
    const std::string nameB = table.name();
    const std::string positionB = table.position();
    table.setName(nameA);
    table.setPosition(positionA);
    table.moveTo(a);
    table.setName(nameB);
    table.setPosition(positionB);
}

} // namespace

KeywordCommands::KeywordCommands(QWidget* mainWindow, SessionState& session, Prompts& prompts, QListWidget* keywordList,
    std::function<void()> refillKeywordList)
    : main_(mainWindow)
    , session_(session)
    , prompts_(prompts)
    , keywordList_(keywordList)
    , refill_(std::move(refillKeywordList))
    , runModal_([](QDialog& dialog) { dialog.exec(); })
{
}

KeywordCommands::~KeywordCommands()
{
    delete property_.data();
}

KeywordPropertiesDialog* KeywordCommands::openProperty() const
{
    return property_ && property_->isVisible() ? property_.data() : nullptr;
}

bool KeywordCommands::propertyBlocks() const
{
    KeywordPropertiesDialog* open = openProperty();
    if (!open)
        return false;
    open->raise();
    open->activateWindow();
    return true;
}

int KeywordCommands::selectedIndex() const
{
    const QList<QListWidgetItem*> selected = keywordList_->selectedItems();
    return selected.isEmpty() ? -1 : keywordList_->row(selected.first());
}

void KeywordCommands::New()
{
    if (propertyBlocks())
        return;
    KeywordSourceDialog dialog(main_);
    dialog.setOnOk([this, &dialog](KeywordSourceDialog::Source source) {
        if (source == KeywordSourceDialog::Source::NewKeyword)
            addNewKeyword(&dialog);
        else
            mergeSavedFile();
    });
    runModal_(dialog);
}

void KeywordCommands::addNewKeyword(QWidget* over)
{
    if (!session_.keywords())
        session_.useKeywords(std::make_shared<KeywordFile>());
    NewKeywordDialog dialog(prompts_, over);
    dialog.setStore([this](const std::string& name, const std::string& position) {
        session_.keywords()->addNew(name, position);
        refill_();
    });
    runModal_(dialog);
}

void KeywordCommands::mergeSavedFile()
{
    const std::optional<QString> path = prompts_.openFile(PreAddFileDialog);
    if (!path)
        return;
    std::shared_ptr<KeywordFile> object = loadKeywordFile(*path);
    if (!object)
        return;
    // The file's keywords first, then the ones that were there before.
    if (const KeywordTable* previous = session_.keywords()) {
        for (const KeywordTable::Record& record : previous->records())
            object->table.addNew(record.name, record.position);
    }
    session_.useKeywords(object);
    refill_();
    ReportPartialLoad(prompts_, *object, *path);
}

std::shared_ptr<KeywordFile> KeywordCommands::loadKeywordFile(const QString& path)
{
    session_.keywordOpenPath = path;
    auto object = std::make_shared<KeywordFile>(ToLocal(session_.keywordOpenPath));
    const KeywordLoadResult& report = object->loadReport();
    if (!report.refusedEncoding.empty()) {
        prompts_.message(QStringLiteral("The KeyWord file '%1' is %2 text, which can not be read: save it as UTF-8 "
                                        "(plain text) and open it again. The current KeyWords are kept.")
                             .arg(path, QString::fromStdString(report.refusedEncoding)),
            Icon::Exclamation, Buttons::Ok);
        return nullptr;
    }
    if (!report.opened || report.readError) {
        QString reason = FromLocal(report.reason);
        if (reason.isEmpty())
            reason = QStringLiteral("no file was named");
        prompts_.message(QStringLiteral("The KeyWord file '") + path + QStringLiteral("' can not be read: ") + reason
                + QStringLiteral(". The current KeyWords are kept."),
            Icon::Exclamation, Buttons::Ok);
        return nullptr;
    }
    return object;
}

void KeywordCommands::Delete()
{
    if (propertyBlocks())
        return;
    const int index = selectedIndex();
    KeywordTable* table = session_.keywords();
    if (index < 0 || !table || !table->moveTo(index + 1))
        return;
    const QString name = FromLocal(table->name());
    const Answer answer
        = prompts_.message(QStringLiteral("Are you ready to delete the Keyword ") + name + QStringLiteral(" ?"),
            Icon::None, Buttons::YesNo, QStringLiteral("Delete KeyWord"));
    if (answer == Answer::Yes && table->moveTo(index + 1))
        table->deleteCurrent();
    refill_();
}

void KeywordCommands::Clear()
{
    if (propertyBlocks())
        return;
    keywordList_->clear();
    if (KeywordTable* table = session_.keywords())
        table->clear();
    refill_();
}

void KeywordCommands::Property()
{
    if (KeywordPropertiesDialog* open = openProperty()) {
        // It keeps the keyword it was opened for, whatever is selected now.
        open->raise();
        open->activateWindow();
        return;
    }
    const int index = selectedIndex();
    KeywordTable* table = session_.keywords();
    if (index < 0 || !table || !table->moveTo(index + 1))
        return;
    const int recordNumber = index + 1;
    auto* dialog = new KeywordPropertiesDialog(prompts_, recordNumber, table->name(), table->position(), main_);
    std::weak_ptr<KeywordFile> owner = session_.keywordFile;
    dialog->setStore([this, owner, recordNumber](const std::string& name, const std::string& position) {
        // The commands that could move or drop the record are held off while
        // the dialog is open; this only guards against a table replaced anyway.
        std::shared_ptr<KeywordFile> object = owner.lock();
        if (!object || object != session_.keywordFile || !object->table.moveTo(recordNumber))
            return;
        object->table.setName(name);
        object->table.setPosition(position);
        refill_();
    });
    property_ = dialog;
    dialog->show();
}

void KeywordCommands::Up()
{
    if (propertyBlocks())
        return;
    const int index = selectedIndex();
    KeywordTable* table = session_.keywords();
    if (index <= 0 || !table || index >= table->recordCount())
        return;
    SwapRecords(*table, index + 1, index);
    refill_();
    keywordList_->setCurrentRow(index - 1, QItemSelectionModel::ClearAndSelect);
}

void KeywordCommands::Down()
{
    if (propertyBlocks())
        return;
    const int index = selectedIndex();
    KeywordTable* table = session_.keywords();
    if (index < 0 || !table || index + 1 >= table->recordCount() || index + 1 >= keywordList_->count())
        return;
    SwapRecords(*table, index + 1, index + 2);
    refill_();
    keywordList_->setCurrentRow(index + 1, QItemSelectionModel::ClearAndSelect);
}

void KeywordCommands::Open()
{
    if (propertyBlocks())
        return;
    const std::optional<QString> path = prompts_.openFile(KeywordFileDialog);
    if (!path)
        return;
    // The keywords held before are dropped unasked: merging is New's business.
    std::shared_ptr<KeywordFile> object = loadKeywordFile(*path);
    if (!object)
        return;
    session_.useKeywords(object);
    refill_();
    ReportPartialLoad(prompts_, *object, *path);
}

bool KeywordCommands::saveWithDialog(bool askBeforeReplacing)
{
    SaveSteps steps;
    steps.dialog = KeywordFileDialog;
    steps.chosen = [this](const QString& path) { session_.keywordSavePath = path; };
    steps.askBeforeReplacing = askBeforeReplacing;
    steps.write = [this](const QString& path) {
        const KeywordFile none;
        const KeywordFile& object = session_.keywordFile ? *session_.keywordFile : none;
        return object.WriteToFile(ToLocal(path));
    };
    steps.notSaved = [](const QString& path, const std::string& reason) {
        return QStringLiteral("The KeyWords could not be saved to '") + path + QStringLiteral("': ") + FromLocal(reason);
    };
    return SaveWithReplaceQuestion(prompts_, steps) == SaveOutcome::Saved;
}

void KeywordCommands::Save()
{
    saveWithDialog(true);
}

void KeywordCommands::SaveQuestionAtExit()
{
    // An open KeywordPropertiesDialog goes with the window, its edit discarded.
    if (property_)
        property_->reject();
    const KeywordTable* table = session_.keywords();
    if (table && table->recordCount() > 0
        && prompts_.message(QStringLiteral("Do you want to save the current KeyWords?"), Icon::None, Buttons::YesNo)
            == Answer::Yes)
        saveWithDialog(false);
    session_.useKeywords(nullptr);
}

} // namespace tamsenor
