#include "common/TextFormat.h"
#include "rig/DataFiles.h"
#include "ui/TForm1.h"
#include "ui/Text.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace meldrix {

namespace {

// "INP" for ".INP": the dialogs' default suffix.
QString suffixOf(DataFile file)
{
    return fromSystemText(extensionOf(file).substr(1));
}

QString filterOf(DataFile file)
{
    const QString suffix = suffixOf(file);
    switch (file) {
    case DataFile::Inp:
        return u"Input gases (*.%1)"_s.arg(suffix);
    case DataFile::Mix:
        return u"Mixer (*.%1)"_s.arg(suffix);
    case DataFile::Cal:
        return u"Calibrations (*.%1)"_s.arg(suffix);
    case DataFile::Cel:
        break;
    }
    return u"Output cells (*.%1)"_s.arg(suffix);
}

} // namespace

std::optional<QString> TForm1::chooseFile(QFileDialog& dialog)
{
    if (m_fileChooser)
        return m_fileChooser(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

QString TForm1::dataSetFolder() const
{
    return QFileInfo(fromSystemText(m_rig->BaseName)).absolutePath();
}

void TForm1::reportLoads(const std::array<LoadResult, 4>& results, bool missingIsSilent)
{
    std::vector<LoadResult> reported;
    std::string problems;
    for (const LoadResult& result : results) {
        if (result.problem.empty() || (missingIsSilent && !result.read))
            continue;
        reported.push_back(result);
        problems += problems.empty() ? result.problem : " " + result.problem;
    }
    // A settings file is optional: only one that is there and cannot be used is told.
    const std::optional<std::string> settings = SettingsLoadProblem(*m_rig);
    if (settings)
        problems += problems.empty() ? *settings : " " + *settings;
    // One problem is told whole; several become one short sentence, the whole account a tooltip.
    if (reported.size() + (settings ? 1 : 0) == 1)
        ShowMessage(*m_rig, problems);
    else if (!reported.empty())
        ShowMessage(*m_rig,
            LoadSummary(reported) + (settings ? " The default settings are used." : ""), problems);
}

void TForm1::reportSave(const std::optional<std::string>& error, std::span<const DataFile> files)
{
    if (error) {
        ShowMessage(*m_rig, *error);
        return;
    }
    // A save that worked says so, naming what was written: nothing else shows it happened.
    std::vector<std::string> names;
    std::string paths;
    for (const DataFile file : files) {
        const std::string& path = fileNameOf(*m_rig, file);
        names.push_back(toSystemText(QFileInfo(fromSystemText(path)).fileName()));
        paths += (paths.empty() ? "" : ", ") + path;
    }
    ShowMessage(*m_rig,
        (files.size() == 1 ? "Saved " + DataFileLabel(*m_rig, files.front())
                           : "Saved all four files: " + listed(names))
            + ".",
        "Saved " + paths + ".");
}

void TForm1::setQuestionAsker(QuestionAsker asker)
{
    m_questionAsker = std::move(asker);
}

QMessageBox::StandardButton TForm1::ask(QMessageBox& question)
{
    if (m_questionAsker)
        return m_questionAsker(question);
    question.exec();
    return question.standardButton(question.clickedButton());
}

bool TForm1::confirmReplacingDamaged(std::span<const DataFile> files)
{
    std::string notes;
    int count = 0;
    const auto add = [&](const std::optional<std::string>& note) {
        if (note) {
            notes += notes.empty() ? *note : " " + *note;
            ++count;
        }
    };
    for (const DataFile file : files)
        add(DamagedTargetNote(*m_rig, file));
    // Only Save All writes the settings file.
    if (files.size() == AllDataFiles.size())
        add(DamagedSettingsNote(*m_rig));
    if (count == 0)
        return true;
    QMessageBox question(QMessageBox::Warning, u"Replace damaged file"_s,
        fromSystemText(notes) + (count == 1 ? u" Replace it?"_s : u" Replace them?"_s),
        QMessageBox::Yes | QMessageBox::No, this);
    question.setObjectName(u"ReplaceDamagedQuestion"_s);
    question.setDefaultButton(QMessageBox::No);
    question.setEscapeButton(QMessageBox::No);
    if (ask(question) == QMessageBox::Yes)
        return true;
    ShowMessage(*m_rig, "Nothing was saved.", notes);
    return false;
}

bool TForm1::confirmLosingChanges(std::span<const DataFile> files)
{
    std::vector<std::string> changed;
    for (const DataFile file : files)
        if (HasUnsavedChanges(*m_rig, file))
            changed.push_back(DataFileLabel(*m_rig, file));
    // The settings go with the whole data set: Open All replaces them, Save All keeps them.
    if (files.size() == AllDataFiles.size() && HasUnsavedSettings(*m_rig))
        changed.push_back(SettingsFileLabel(*m_rig));
    if (changed.empty())
        return true;
    std::string text = listed(changed);
    text.front() = 'T';
    text += changed.size() == 1 ? " has unsaved changes." : " have unsaved changes.";
    QMessageBox question(QMessageBox::Question, u"Unsaved changes"_s, fromSystemText(text),
        QMessageBox::SaveAll | QMessageBox::Discard | QMessageBox::Cancel, this);
    question.setObjectName(u"UnsavedChangesQuestion"_s);
    question.setInformativeText(u"Save all files of the data set first, or discard the changes?"_s);
    question.setDefaultButton(QMessageBox::SaveAll);
    question.setEscapeButton(QMessageBox::Cancel);
    switch (ask(question)) {
    case QMessageBox::SaveAll:
        return saveAllFiles();
    case QMessageBox::Discard:
        return true;
    default:
        return false;
    }
}

bool TForm1::saveAllFiles()
{
    if (!confirmReplacingDamaged(AllDataFiles))
        return false;
    const std::optional<std::string> error = SaveAll(*m_rig);
    reportSave(error, AllDataFiles);
    return !error;
}

void TForm1::closeEvent(QCloseEvent* event)
{
    bool close = true;
    guarded([&] { close = confirmLosingChanges(AllDataFiles); });
    if (close)
        event->accept();
    else
        event->ignore();
}

void TForm1::openDataFile(DataFile file)
{
    OpenDialog1->setWindowTitle(u"Open"_s);
    OpenDialog1->setDirectory(dataSetFolder());
    OpenDialog1->setNameFilters({ filterOf(file) });
    OpenDialog1->setDefaultSuffix(suffixOf(file));
    const std::optional<QString> path = chooseFile(*OpenDialog1);
    if (!path || !confirmLosingChanges(std::span(&file, 1)))
        return;
    fileNameOf(*m_rig, file) = toSystemText(*path);
    m_rig->Message1.Visible = false; // the previous run's message is not about this file
    const LoadResult result = LoadDataFile(*m_rig, file);
    if (file == DataFile::Cal)
        CalibrationsLoaded();
    dataSetReplaced();
    if (!result.problem.empty())
        ShowMessage(*m_rig, result.problem);
}

void TForm1::saveDataFile(DataFile file)
{
    if (confirmReplacingDamaged(std::span(&file, 1)))
        reportSave(SaveDataFile(*m_rig, file), std::span(&file, 1));
}

void TForm1::saveDataFileAs(DataFile file)
{
    SaveDialog1->setWindowTitle(u"Save As"_s);
    SaveDialog1->setDirectory(QFileInfo(fromSystemText(fileNameOf(*m_rig, file))).absolutePath());
    SaveDialog1->setNameFilters({ u"All files (*)"_s });
    SaveDialog1->setDefaultSuffix(QString());
    const std::optional<QString> path = chooseFile(*SaveDialog1);
    if (!path)
        return;
    fileNameOf(*m_rig, file) = toSystemText(*path);
    saveDataFile(file);
}

void TForm1::OpenAll1Click()
{
    guarded([this] {
        OpenDialog1->setWindowTitle(u"Open All"_s);
        OpenDialog1->setDirectory(dataSetFolder());
        OpenDialog1->setNameFilters({ u"Data sets (*.INP *.MIX *.CAL *.CEL)"_s });
        OpenDialog1->setDefaultSuffix(QString());
        const std::optional<QString> path = chooseFile(*OpenDialog1);
        if (path && confirmLosingChanges(AllDataFiles)) {
            m_rig->Message1.Visible = false; // the previous run's message is not about these
            const auto results = OpenAllByBase(*m_rig, BaseNameOfPath(toSystemText(*path)));
            CalibrationsLoaded();
            dataSetReplaced();
            reportLoads(results, false);
        }
    });
}

void TForm1::InputGases1Click()
{
    guarded([this] { openDataFile(DataFile::Inp); });
}

void TForm1::MixerOutline1Click()
{
    guarded([this] { openDataFile(DataFile::Mix); });
}

void TForm1::Calibrations1Click()
{
    guarded([this] { openDataFile(DataFile::Cal); });
}

void TForm1::OutputCells1Click()
{
    guarded([this] { openDataFile(DataFile::Cel); });
}

void TForm1::InputMixtures1Click()
{
    guarded([this] { saveDataFile(DataFile::Inp); });
}

void TForm1::Mixer1Click()
{
    guarded([this] { saveDataFile(DataFile::Mix); });
}

void TForm1::Calibrations2Click()
{
    guarded([this] { saveDataFile(DataFile::Cal); });
}

void TForm1::Cells1Click()
{
    guarded([this] { saveDataFile(DataFile::Cel); });
}

void TForm1::InputMixtures2Click()
{
    guarded([this] { saveDataFileAs(DataFile::Inp); });
}

void TForm1::Flowmeters1Click()
{
    guarded([this] { saveDataFileAs(DataFile::Mix); });
}

void TForm1::Calibrations3Click()
{
    guarded([this] { saveDataFileAs(DataFile::Cal); });
}

void TForm1::OutputCells2Click()
{
    guarded([this] { saveDataFileAs(DataFile::Cel); });
}

void TForm1::SaveAll1Click()
{
    guarded([this] { saveAllFiles(); });
}

void TForm1::SaveAllAs()
{
    guarded([this] {
        SaveDialog1->setWindowTitle(u"Save All As"_s);
        SaveDialog1->setDirectory(QFileInfo(fromSystemText(m_rig->InpFileName)).absolutePath());
        SaveDialog1->setNameFilters({ u"All files (*)"_s });
        SaveDialog1->setDefaultSuffix(QString());
        const std::optional<QString> path = chooseFile(*SaveDialog1);
        if (!path)
            return;
        SetFileNamesFromBase(*m_rig, BaseNameOfPath(toSystemText(*path)));
        saveAllFiles();
    });
}

} // namespace meldrix
