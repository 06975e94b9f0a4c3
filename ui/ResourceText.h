#pragma once
// Resource texts on Qt controls: captions of labels, buttons, check boxes,
// frames, menus and menu items, and window titles.
#include <QString>
#include <string>
#include <string_view>

#include "app/Environment.h"
#include "text/Resources.h"

class QObject;
class QWidget;

namespace plyx::ui {

QString ToQString(std::string_view utf8);
std::string ToStdString(const QString& text);

// Sets the caption of control (for a window: its title) to
// GetResourceText(id, leader, trailer) and repaints it. A control that has
// no caption is a programming error: the "Bad resource assignment" box is
// shown and the program ends at once.
void ApplyResourceToControl(app::Environment& env, QObject* control, text::ResourceId id,
                            std::string_view leader = {}, std::string_view trailer = {});

// Sets the tooltip of widget to GetResourceText(id) followed by trailer
// (e.g. the key that does the same).
void ApplyResourceToolTip(app::Environment& env, QWidget* widget, text::ResourceId id, const QString& trailer = {});

// Sets the caption of control to text; false when control has none.
bool SetCaption(QObject* control, const QString& text);

// The caption of control as the operator reads it ("" when it has none).
QString CaptionOf(const QObject* control);

}  // namespace plyx::ui
