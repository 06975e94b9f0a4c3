#include "platform/qt/QtDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

namespace plyx::platform {

namespace {

QString Q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
std::string S(const QString& s) { return s.toUtf8().toStdString(); }

QMessageBox::Icon ToQtIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Information: return QMessageBox::Information;
        case MessageIcon::Warning: return QMessageBox::Warning;
        case MessageIcon::Critical: return QMessageBox::Critical;
        case MessageIcon::Question: return QMessageBox::Question;
        case MessageIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ToQtButtons(MessageButtons buttons) {
    switch (buttons) {
        case MessageButtons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
        case MessageButtons::RetryCancel: return QMessageBox::Retry | QMessageBox::Cancel;
        case MessageButtons::YesNo: return QMessageBox::Yes | QMessageBox::No;
        case MessageButtons::Ok: break;
    }
    return QMessageBox::Ok;
}

MessageResult FromQt(int button, MessageButtons buttons) {
    switch (button) {
        case QMessageBox::Ok: return MessageResult::Ok;
        case QMessageBox::Cancel: return MessageResult::Cancel;
        case QMessageBox::Retry: return MessageResult::Retry;
        case QMessageBox::Yes: return MessageResult::Yes;
        case QMessageBox::No: return MessageResult::No;
        default: break;
    }
    // Closed with Escape or the title bar: the box's "no" answer.
    switch (buttons) {
        case MessageButtons::OkCancel:
        case MessageButtons::RetryCancel: return MessageResult::Cancel;
        case MessageButtons::YesNo: return MessageResult::No;
        case MessageButtons::Ok: break;
    }
    return MessageResult::Ok;
}

// The file dialog is owned by the window the operator is working in.
QWidget* Owner() { return QApplication::activeWindow(); }

std::string RunFileDialog(const FileDialogRequest& request, bool save) {
    QFileDialog dialog(Owner(), Q(request.title), Q(request.initialFolder));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save || !request.mustExist ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    // The filter names carry their patterns already; the list Qt would add is noise.
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    if (!request.filter.empty()) dialog.setNameFilters(QtNameFilters(request.filter).split(QStringLiteral(";;")));
    if (!request.defaultExtension.empty()) dialog.setDefaultSuffix(Q(request.defaultExtension));
    if (!request.fileName.empty()) dialog.selectFile(Q(request.fileName));
    if (dialog.exec() != QDialog::Accepted) return {};
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) return {};
    return S(files.front());
}

}  // namespace

QString QtNameFilters(const std::string& filter) {
    const QStringList parts = Q(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& p : patterns) p = p.trimmed();
        filters << parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    if (filters.isEmpty() && !filter.empty()) filters << Q(filter);
    return filters.join(QStringLiteral(";;"));
}

MessageResult QtDialogs::ShowMessage(const std::string& text, const std::string& title, MessageButtons buttons,
                                     MessageIcon icon) {
    QMessageBox box(ToQtIcon(icon), Q(title), Q(text), ToQtButtons(buttons), Owner());
    box.setTextFormat(Qt::PlainText);
    return FromQt(box.exec(), buttons);
}

void QtDialogs::ShowDetailedMessage(const std::string& text, const std::string& details, const std::string& title,
                                    MessageIcon icon) {
    QMessageBox box(ToQtIcon(icon), Q(title), Q(text), QMessageBox::Ok, Owner());
    box.setTextFormat(Qt::PlainText);
    // Qt names the expander's button "Show Details..." in the system's language.
    box.setDetailedText(Q(details));
    box.exec();
}

std::string QtDialogs::GetOpenFileName(const FileDialogRequest& request) { return RunFileDialog(request, false); }

std::string QtDialogs::GetSaveFileName(const FileDialogRequest& request) { return RunFileDialog(request, true); }

}  // namespace plyx::platform
