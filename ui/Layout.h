#pragma once
// The windows are laid out in twips, as designed: 1440 twips to the inch,
// so 15 twips to a pixel at 96 dpi, scaled by the screen's logical dpi.
// Captions are shown in "Microsoft Sans Serif" where the system has it and
// in its sans-serif font otherwise; a caption that does not fit its control
// in the font at hand takes two lines or is drawn a little smaller rather
// than cut off.
#include <QFont>
#include <vector>

class QWidget;

namespace plyx::ui {

// Pixels for a length in twips on the primary screen.
int Twips(int twips);

// Geometry in twips: left, top, width, height (relative to the parent).
void PlaceTwips(QWidget* widget, int left, int top, int width, int height);
// A fixed client area of width by height twips.
void SetClientSizeTwips(QWidget* window, int width, int height);

// family at points, falling back to the system's sans-serif font.
QFont DesignFont(double points, bool bold, const char* family = "Microsoft Sans Serif");
// Gives widget its design font and remembers it for FitCaption.
void SetDesignFont(QWidget* widget, double points, bool bold, const char* family = "Microsoft Sans Serif");

// Returns widget to its design font and fits its caption to its size: a
// caption that does not fit on one line first takes a second line where the
// control has the height (labels, push buttons), then a smaller font, never
// below SmallestCaptionPoints of the design size.
void FitCaption(QWidget* widget);
// Fits like controls (a row of buttons, a column of labels) to one font
// size, the smallest that any of them needs, so that none stands out.
void FitCaptionsTogether(const std::vector<QWidget*>& widgets);
// Widens a fixed-size window beyond designWidth pixels where its title
// would otherwise be cut short in the title bar.
void WidenForTitle(QWidget* window, int designWidth);
// The larger of two thirds of designPoints and 8 pt (designPoints itself
// when that is smaller still).
double SmallestCaptionPoints(double designPoints);
// The design size given by SetDesignFont (0 when none was).
double DesignPoints(const QWidget* widget);
// True when widget's caption fits its size in its current font.
bool CaptionFits(const QWidget* widget);
// The caption as it was given, before FitCaption broke a button's caption
// into two lines ("" when FitCaption never handled the widget).
QString DesignCaption(const QWidget* widget);
// A new caption was set: the one remembered by FitCaption no longer counts.
void ForgetDesignCaption(QWidget* widget);

}  // namespace plyx::ui

class QLabel;
class QPushButton;
class QCheckBox;
class QLineEdit;
class QGroupBox;

namespace plyx::ui {

// Controls placed in twips with their design font. Labels show plain text
// (a caption such as "<none>" is not markup).
QLabel* NewLabel(QWidget* parent, int left, int top, int width, int height, double points, bool bold,
                 bool wordWrap = false);
QPushButton* NewButton(QWidget* parent, int left, int top, int width, int height, double points, bool bold);
QCheckBox* NewCheckBox(QWidget* parent, int left, int top, int width, int height, double points, bool bold);
QLineEdit* NewField(QWidget* parent, int left, int top, int width, int height, double points, bool bold,
                    const char* family = "MS Sans Serif");
QGroupBox* NewFrame(QWidget* parent, int left, int top, int width, int height, double points, bool bold,
                    const char* family = "Microsoft Sans Serif");

}  // namespace plyx::ui
