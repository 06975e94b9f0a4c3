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
constexpr double kSmallestFraction = 0.5;
constexpr double kOneLineFraction = 0.85;

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
        return metrics.lineSpacing() * lines.size() <= std::max(height, 1) + 2;
    }
    // Every word must fit a line, and the wrapped lines the height.
    for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        if (metrics.horizontalAdvance(word) > width) return false;
    const QRect used = metrics.boundingRect(QRect(0, 0, width, 1 << 20), Qt::TextWordWrap, text);
    return used.height() <= height + 2;
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

void FitCaption(QWidget* widget) {
    const QVariant design = widget->property(kDesignPoints);
    if (!design.isValid()) return;
    const double points = design.toDouble();
    QFont font = widget->font();
    auto* button = qobject_cast<QPushButton*>(widget);
    if (button != nullptr) {
        // A push button may break its caption into two lines; it keeps the
        // caption as given for whoever reads it back.
        const QString caption = DesignCaption(button);
        button->setProperty(kDesignCaption, caption);
        button->setText(caption);
        const QString twoLines = SplitInTwo(caption);
        auto fitsAt = [&](double size, const QString& text) {
            font.setPointSizeF(size);
            button->setText(text);
            return FitsIn(button, font);
        };
        // One line in nearly the design size, else two lines, else smaller.
        for (double size = points; size >= points * kOneLineFraction; size -= 0.25)
            if (fitsAt(size, caption)) return widget->setFont(font);
        for (double size = points; size >= points * kSmallestFraction; size -= 0.25) {
            if (!twoLines.isEmpty() && fitsAt(size, twoLines)) return widget->setFont(font);
            if (fitsAt(size, caption)) return widget->setFont(font);
        }
        button->setText(twoLines.isEmpty() ? caption : twoLines);
        return widget->setFont(font);
    }
    font.setPointSizeF(points);
    double size = points;
    while (!FitsIn(widget, font) && size - 0.25 >= points * kSmallestFraction) {
        size -= 0.25;
        font.setPointSizeF(size);
    }
    widget->setFont(font);
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
