#include "app/QtInteraction.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QUrl>

#include "widgets/DbLogin.h"

namespace zalvert {
namespace {

QString Title() {
    return QGuiApplication::applicationDisplayName();
}

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

// "*.*" means every file; here names without a full stop are files too.
QString QtPattern(const std::string& pattern) {
    return pattern == "*.*" ? QStringLiteral("*") : Text(pattern);
}

}  // namespace

void TQtInteraction::ShowMessage(const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, Title(), Text(text), QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

void TQtInteraction::ShowInformation(const std::string& text) {
    QMessageBox::information(QApplication::activeWindow(), Title(), Text(text));
}

std::unique_ptr<QMessageBox> TQtInteraction::MakeQuestion(const std::string& question) {
    auto box = std::make_unique<QMessageBox>(QMessageBox::Question, Title(), Text(question),
                                             QMessageBox::Yes | QMessageBox::No,
                                             QApplication::activeWindow());
    // Every question asked here stores, deletes or overwrites on yes: Enter and
    // Escape, pressed by habit, must answer no.
    box->setDefaultButton(QMessageBox::No);
    box->setEscapeButton(QMessageBox::No);
    return box;
}

bool TQtInteraction::Confirm(const std::string& question) {
    return MakeQuestion(question)->exec() == QMessageBox::Yes;
}

std::optional<std::string> TQtInteraction::ChooseFileToOpen(const std::vector<TFileFilter>& filters,
                                                            const std::string& folder) {
    QStringList names;
    for (const TFileFilter& filter : filters)
        names << Text(filter.Name) + " (" + QtPattern(filter.Pattern) + ")";
    QFileDialog dialog(QApplication::activeWindow(), "Öffnen", Text(folder));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters(names);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
}

std::optional<TSaveChoice> TQtInteraction::ChooseFileToSave(const std::vector<TFileFilter>& filters,
                                                            const std::string& proposed,
                                                            int filter) {
    QStringList names;
    for (const TFileFilter& each : filters)
        names << Text(each.Name) + " (" + QtPattern(each.Pattern) + ")";
    QString path = Text(proposed);
    for (;;) {
        QFileDialog dialog(QApplication::activeWindow(), "Speichern unter", path);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        // Our own question, so that Enter answers no.
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        dialog.setNameFilters(names);
        if (filter >= 0 && filter < names.size()) dialog.selectNameFilter(names[filter]);
        // Another kind chosen: the name typed takes its ending.
        QObject::connect(
            &dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& chosen) {
                const qsizetype index = names.indexOf(chosen);
                const QStringList typed = dialog.selectedFiles();
                if (index < 0 || typed.isEmpty()) return;
                const QFileInfo name(typed.first());
                const QString ending = Text(filters[static_cast<size_t>(index)].Pattern).mid(1);
                if (!name.suffix().isEmpty() && !name.fileName().endsWith(ending))
                    dialog.selectFile(name.completeBaseName() + ending);
            });
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        filter = static_cast<int>(names.indexOf(dialog.selectedNameFilter()));
        path = dialog.selectedFiles().first();
        // A name typed without its ending gets the chosen kind's.
        if (QFileInfo(path).suffix().isEmpty() && filter >= 0)
            path += Text(filters[static_cast<size_t>(filter)].Pattern).mid(1);
        if (!QFileInfo::exists(path) ||
            Confirm("Die Datei '" + path.toStdString() + "' ist schon vorhanden. Ersetzen?"))
            return TSaveChoice{path.toStdString(), std::max(0, filter)};
    }
}

void TQtInteraction::OpenDocument(const std::string& path) {
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(Text(path))))
        ShowMessage("'" + path + "' lässt sich nicht öffnen: kein Programm dafür eingerichtet.");
}

std::optional<TLoginValues> TQtInteraction::Login(const std::string& databaseName,
                                                  const std::string& userName) {
    TDbLogin dialog(QApplication::activeWindow());
    dialog.DatabaseName()->setText(Text(databaseName));
    dialog.Username()->setText(Text(userName));
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return TLoginValues{dialog.Username()->text().toStdString(),
                        dialog.Password()->text().toStdString(),
                        dialog.DbPassword()->text().toStdString()};
}

}  // namespace zalvert
