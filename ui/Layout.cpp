#include "ui/Layout.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionButton>
#include <QVariant>
#include <QWidget>
#include <cmath>

namespace plyx::ui {

namespace {

constexpr char kDesignPoints[] = "plyxDesignPoints";
constexpr char kDesignCaption[] = "plyxDesignCaption";
constexpr char kDesignWrap[] = "plyxDesignWrap";
// A caption is never drawn smaller than this, whatever its design size:
// smaller text cannot be read at a machine.
constexpr double kSmallestFraction = 2.0 / 3.0;
constexpr double kSmallestReadablePoints = 8.0;
constexpr double kPointStep = 0.25;

double LogicalDpi() {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const double dpi = screen->logicalDotsPerInchX();
        if (dpi > 0) return dpi;
    }
    return 96.0;
}

// The text as drawn: a button's "&" marks its access key and is not shown.
QString ShownText(const QString& caption, bool mnemonic) {
    if (!mnemonic) return caption;
    QString shown;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == QLatin1Char('&') && i + 1 < caption.size()) ++i;
        shown += caption[i];
    }
    return shown;
}

// caption as two lines broken at the blank nearest its middle; "" when it has no blank.
QString SplitInTwo(const QString& caption) {
    const QString text = caption.simplified();
    qsizetype best = -1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != QLatin1Char(' ')) continue;
        if (best < 0 || std::abs(2 * i - text.size()) < std::abs(2 * best - text.size())) best = i;
    }
    if (best < 0) return {};
    return text.left(best) + QLatin1Char('\n') + text.mid(best + 1);
}

bool TextFits(const QFont& font, const QString& text, int width, int height, bool wrap) {
    const QFontMetrics metrics(font);
    if (width <= 0) return text.isEmpty();
    if (!wrap) {
        const QStringList lines = text.split(QLatin1Char('\n'));
        for (const QString& line : lines)
            if (metrics.horizontalAdvance(line) > width) return false;
        // One line may touch the control's edge; further lines must not be cut.
        const int lineCount = static_cast<int>(lines.size());
        return metrics.lineSpacing() * lineCount <= std::max(height, 1) + (lineCount == 1 ? 2 : 0);
    }
    // Every word must fit a line, and the wrapped lines the height.
    for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        if (metrics.horizontalAdvance(word) > width) return false;
    const QRect used = metrics.boundingRect(QRect(0, 0, width, 1 << 20), Qt::TextWordWrap, text);
    return used.height() <= height + (used.height() <= metrics.lineSpacing() ? 2 : 0);
}

bool FitsIn(const QWidget* widget, const QFont& font) {
    const QSize size = widget->size();
    if (auto* label = qobject_cast<const QLabel*>(widget)) {
        const int margin = 2 * label->margin() + 2;
        return TextFits(font, label->text(), size.width() - margin, size.height(), label->wordWrap());
    }
    if (auto* box = qobject_cast<const QCheckBox*>(widget)) {
        QStyleOptionButton option;
        option.initFrom(box);
        const int indicator = box->style()->pixelMetric(QStyle::PM_IndicatorWidth, &option, box) +
                              box->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, &option, box) + 4;
        return TextFits(font, ShownText(box->text(), true), size.width() - indicator, size.height(), false);
    }
    if (auto* button = qobject_cast<const QAbstractButton*>(widget)) {
        return TextFits(font, ShownText(button->text(), true), size.width() - 10, size.height() - 4, false);
    }
    if (auto* frame = qobject_cast<const QGroupBox*>(widget)) {
        return TextFits(font, frame->title(), size.width() - 16, size.height(), false);
    }
    return true;
}

}  // namespace

int Twips(int twips) { return static_cast<int>(std::lround(twips * LogicalDpi() / 1440.0)); }

void PlaceTwips(QWidget* widget, int left, int top, int width, int height) {
    widget->setGeometry(Twips(left), Twips(top), Twips(width), Twips(height));
}

void SetClientSizeTwips(QWidget* window, int width, int height) {
    window->setFixedSize(Twips(width), Twips(height));
}

QFont DesignFont(double points, bool bold, const char* family) {
    QFont font(QString::fromLatin1(family));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

void SetDesignFont(QWidget* widget, double points, bool bold, const char* family) {
    widget->setFont(DesignFont(points, bold, family));
    widget->setProperty(kDesignPoints, points);
}

bool CaptionFits(const QWidget* widget) { return FitsIn(widget, widget->font()); }

QString DesignCaption(const QWidget* widget) {
    const QVariant caption = widget->property(kDesignCaption);
    if (caption.isValid()) return caption.toString();
    if (auto* button = qobject_cast<const QAbstractButton*>(widget)) return button->text();
    return {};
}

void ForgetDesignCaption(QWidget* widget) { widget->setProperty(kDesignCaption, QVariant()); }

double SmallestCaptionPoints(double designPoints) {
    return std::min(designPoints, std::max(designPoints * kSmallestFraction, kSmallestReadablePoints));
}

double DesignPoints(const QWidget* widget) {
    const QVariant design = widget->property(kDesignPoints);
    return design.isValid() ? design.toDouble() : 0.0;
}

namespace {

// A push button breaks its caption into two lines itself; it keeps the
// caption as given for whoever reads it back.
void FitButton(QPushButton* button, double points, double smallest) {
    QFont font = button->font();
    const QString caption = DesignCaption(button);
    button->setProperty(kDesignCaption, caption);
    const QString twoLines = SplitInTwo(caption);
    auto fitsAt = [&](double size, const QString& text) {
        font.setPointSizeF(size);
        button->setText(text);
        return FitsIn(button, font);
    };
    // One line, else two lines, at the largest size that fits.
    for (double size = points; size >= smallest; size -= kPointStep) {
        if (fitsAt(size, caption)) return button->setFont(font);
        if (!twoLines.isEmpty() && fitsAt(size, twoLines)) return button->setFont(font);
    }
    font.setPointSizeF(smallest);
    button->setText(twoLines.isEmpty() ? caption : twoLines);
    button->setFont(font);
}

// A label wraps onto further lines where its height has room for them
// before its text gets smaller. A single line drawn smaller than designed
// keeps the design baseline, so that it stays level with the value beside it.
void FitLabel(QLabel* label, double points, double smallest, double design) {
    if (!label->property(kDesignWrap).isValid()) label->setProperty(kDesignWrap, label->wordWrap());
    const bool designWrap = label->property(kDesignWrap).toBool();
    QFont font = label->font();
    auto fitsAt = [&](double size, bool wrap) {
        font.setPointSizeF(size);
        label->setWordWrap(wrap);
        return FitsIn(label, font);
    };
    label->setContentsMargins(0, 0, 0, 0);
    bool fitted = false;
    for (double size = points; size >= smallest && !fitted; size -= kPointStep)
        fitted = fitsAt(size, designWrap) || (!designWrap && fitsAt(size, true));
    if (!fitted) fitsAt(smallest, designWrap);
    label->setFont(font);
    const bool oneLine = QFontMetrics(font).lineSpacing() * 2 > label->height() || !label->wordWrap();
    if (oneLine && (label->alignment() & Qt::AlignTop) && font.pointSizeF() < design) {
        const QFont designFont = DesignFont(design, font.bold(), font.family().toLatin1().constData());
        const int drop = QFontMetrics(designFont).ascent() - QFontMetrics(font).ascent();
        if (drop > 0) label->setContentsMargins(0, drop, 0, 0);
    }
}

// Fits the caption at the largest size from largest down that fits.
void FitCaptionFrom(QWidget* widget, double largest) {
    const double design = DesignPoints(widget);
    if (design <= 0) return;
    const double smallest = SmallestCaptionPoints(design);
    const double points = std::max(smallest, std::min(design, largest));
    if (auto* button = qobject_cast<QPushButton*>(widget)) return FitButton(button, points, smallest);
    if (auto* label = qobject_cast<QLabel*>(widget)) return FitLabel(label, points, smallest, design);
    QFont font = widget->font();
    double size = points;
    font.setPointSizeF(size);
    while (!FitsIn(widget, font) && size - kPointStep >= smallest) {
        size -= kPointStep;
        font.setPointSizeF(size);
    }
    widget->setFont(font);
}

}  // namespace

void FitCaption(QWidget* widget) { FitCaptionFrom(widget, DesignPoints(widget)); }

void FitCaptionsTogether(const std::vector<QWidget*>& widgets) {
    double shared = 0;
    for (QWidget* widget : widgets) {
        FitCaption(widget);
        const double size = widget->font().pointSizeF();
        if (DesignPoints(widget) > 0 && (shared == 0 || size < shared)) shared = size;
    }
    for (QWidget* widget : widgets)
        if (widget->font().pointSizeF() > shared) FitCaptionFrom(widget, shared);
}

void WidenForTitle(QWidget* window, int designWidth) {
    QFont font = QGuiApplication::font();
    font.setBold(true);
    const QFontMetrics metrics(font);
    // The title bar also holds the window's icon and three buttons.
    const int needed = metrics.horizontalAdvance(window->windowTitle()) + 4 * metrics.height() + 3 * Twips(450);
    const int width = std::max(designWidth, needed);
    window->setFixedSize(width, window->height());
}

}  // namespace plyx::ui


namespace plyx::ui {

namespace {
template <typename T>
T* Placed(T* control, int left, int top, int width, int height, double points, bool bold, const char* family) {
    PlaceTwips(control, left, top, width, height);
    SetDesignFont(control, points, bold, family);
    return control;
}
}  // namespace

QLabel* NewLabel(QWidget* parent, int left, int top, int width, int height, double points, bool bold,
                 bool wordWrap) {
    auto* label = Placed(new QLabel(parent), left, top, width, height, points, bold, "Microsoft Sans Serif");
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(wordWrap);
    return label;
}

QPushButton* NewButton(QWidget* parent, int left, int top, int width, int height, double points, bool bold) {
    auto* button = Placed(new QPushButton(parent), left, top, width, height, points, bold, "Microsoft Sans Serif");
    button->setAutoDefault(false);
    return button;
}

QCheckBox* NewCheckBox(QWidget* parent, int left, int top, int width, int height, double points, bool bold) {
    return Placed(new QCheckBox(parent), left, top, width, height, points, bold, "Microsoft Sans Serif");
}

QLineEdit* NewField(QWidget* parent, int left, int top, int width, int height, double points, bool bold,
                    const char* family) {
    return Placed(new QLineEdit(parent), left, top, width, height, points, bold, family);
}

QGroupBox* NewFrame(QWidget* parent, int left, int top, int width, int height, double points, bool bold,
                    const char* family) {
    return Placed(new QGroupBox(parent), left, top, width, height, points, bold, family);
}

}  // namespace plyx::ui
