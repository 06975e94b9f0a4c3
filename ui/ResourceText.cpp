#include "ui/ResourceText.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QVariant>
#include <QWidget>
#include <cstdlib>

#include "ui/Layout.h"

namespace plyx::ui {

QString ToQString(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string ToStdString(const QString& text) { return text.toUtf8().toStdString(); }

bool SetCaption(QObject* control, const QString& text) {
    if (auto* action = qobject_cast<QAction*>(control)) {
        action->setText(text);
        return true;
    }
    auto* widget = qobject_cast<QWidget*>(control);
    if (widget == nullptr) return false;
    if (auto* menu = qobject_cast<QMenu*>(widget)) {
        menu->setTitle(text);
        return true;
    }
    if (widget->isWindow()) {
        widget->setWindowTitle(text);
        return true;
    }
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(text);
        ForgetDesignCaption(button);
    } else if (auto* frame = qobject_cast<QGroupBox*>(widget)) {
        frame->setTitle(text);
    } else if (auto* field = qobject_cast<QLineEdit*>(widget)) {
        field->setText(text);
    } else {
        return false;
    }
    FitCaption(widget);
    return true;
}

QString CaptionOf(const QObject* control) {
    if (auto* action = qobject_cast<const QAction*>(control)) return action->text();
    auto* widget = qobject_cast<const QWidget*>(control);
    if (widget == nullptr) return {};
    if (auto* menu = qobject_cast<const QMenu*>(widget)) return menu->title();
    if (widget->isWindow()) return widget->windowTitle();
    if (auto* label = qobject_cast<const QLabel*>(widget)) return label->text();
    if (auto* button = qobject_cast<const QAbstractButton*>(widget)) return DesignCaption(button);
    if (auto* frame = qobject_cast<const QGroupBox*>(widget)) return frame->title();
    if (auto* field = qobject_cast<const QLineEdit*>(widget)) return field->text();
    return {};
}

void ApplyResourceToolTip(app::Environment& env, QWidget* widget, text::ResourceId id, const QString& trailer) {
    widget->setToolTip(ToQString(env.GetResourceText(id)) + trailer);
}

void ApplyResourceToControl(app::Environment& env, QObject* control, text::ResourceId id,
                            std::string_view leader, std::string_view trailer) {
    const std::string caption = env.GetResourceText(id, leader, trailer);
    if (control == nullptr || !SetCaption(control, ToQString(caption))) {
        const std::string crlf = "\r\n";
        env.Dialogs().ShowMessage("Bad resource assignment for resource " + std::to_string(id) + crlf +
                                      "Leader text = " + std::string(leader) + crlf + "Caption text = " +
                                      caption + crlf + "Trailer text = " + std::string(trailer),
                                  env.ProgramName);
        // A window built wrongly: nothing is saved, nothing cleaned up.
        std::_Exit(EXIT_FAILURE);
    }
    if (auto* widget = qobject_cast<QWidget*>(control)) widget->update();
}

}  // namespace plyx::ui
