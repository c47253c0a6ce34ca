#include "captions/CaptionMeasure.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOption>
#include <QTabBar>
#include <QTextDocument>
#include <QtMath>

#include <optional>

namespace {

QString describe(const QWidget* control)
{
    if (!control->objectName().isEmpty())
        return control->objectName();
    QString caption;
    if (auto* label = qobject_cast<const QLabel*>(control))
        caption = label->text();
    else if (auto* button = qobject_cast<const QAbstractButton*>(control))
        caption = button->text();
    else if (auto* box = qobject_cast<const QGroupBox*>(control))
        caption = box->title();
    return QStringLiteral("%1 \"%2\"")
        .arg(QLatin1String(control->metaObject()->className()), caption.left(40));
}

QString sizeText(QSize size)
{
    return QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
}

// Where a caption must fit inside its control, and the size its text needs.
struct Need
{
    QRect room;
    QSize text;
};

QSize richTextSize(const QLabel* label, int wrapWidth)
{
    QTextDocument document;
    document.setDefaultFont(label->font());
    document.setDocumentMargin(0);
    document.setHtml(label->text());
    if (wrapWidth > 0)
        document.setTextWidth(wrapWidth);
    return QSize(qCeil(document.idealWidth()), qCeil(document.size().height()));
}

// The label's text area, as QLabel lays it out: inside the frame, the margin and the indent.
QRect labelRoom(const QLabel* label)
{
    const int margin = label->margin();
    QRect room = label->contentsRect().adjusted(margin, margin, -margin, -margin);
    int indent = label->indent();
    if (indent < 0 && label->frameWidth() > 0)
        indent = label->fontMetrics().horizontalAdvance(u'x') / 2;
    if (indent > 0) {
        const Qt::Alignment align = label->alignment();
        if (align & Qt::AlignLeft)
            room.setLeft(room.left() + indent);
        if (align & Qt::AlignRight)
            room.setRight(room.right() - indent);
        if (align & Qt::AlignTop)
            room.setTop(room.top() + indent);
        if (align & Qt::AlignBottom)
            room.setBottom(room.bottom() - indent);
    }
    return room;
}

std::optional<Need> labelNeed(const QLabel* label)
{
    if (label->text().isEmpty())
        return std::nullopt;
    const QRect room = labelRoom(label);
    const bool rich = label->textFormat() == Qt::RichText ||
                      (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(label->text()));
    if (rich)
        return Need{room, richTextSize(label, label->wordWrap() ? room.width() : -1)};
    const QFontMetrics metrics(label->font());
    if (label->wordWrap()) {
        // Measured from the top, as QLabel measures it: a centred line would round differently.
        const int flags = int(label->alignment() & Qt::AlignHorizontal_Mask) | Qt::TextWordWrap;
        const QRect wrapped =
            metrics.boundingRect(QRect(0, 0, room.width(), 100000), flags, label->text());
        return Need{room, wrapped.size()};
    }
    return Need{room, metrics.size(Qt::TextShowMnemonic, label->text())};
}

// Text and icon side by side, as the styles draw a button's label.
QSize buttonTextSize(const QAbstractButton* button)
{
    QSize size = QFontMetrics(button->font()).size(Qt::TextShowMnemonic, button->text());
    if (!button->icon().isNull())
        size = QSize(size.width() + button->iconSize().width() + 4,
                     qMax(size.height(), button->iconSize().height()));
    return size;
}

std::optional<Need> buttonNeed(const QAbstractButton* button)
{
    if (button->text().isEmpty())
        return std::nullopt;
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    option.icon = button->icon();
    option.iconSize = button->iconSize();
    QStyle::SubElement contents = QStyle::SE_PushButtonContents;
    if (qobject_cast<const QCheckBox*>(button))
        contents = QStyle::SE_CheckBoxContents;
    else if (qobject_cast<const QRadioButton*>(button))
        contents = QStyle::SE_RadioButtonContents;
    else if (auto* push = qobject_cast<const QPushButton*>(button)) {
        if (push->autoDefault() || push->isDefault())
            option.features |= QStyleOptionButton::AutoDefaultButton;
    } else {
        return std::nullopt;
    }
    return Need{button->style()->subElementRect(contents, &option, button), buttonTextSize(button)};
}

std::optional<Need> groupBoxNeed(const QGroupBox* box)
{
    if (box->title().isEmpty())
        return std::nullopt;
    QStyleOptionGroupBox option;
    option.initFrom(box);
    option.text = box->title();
    option.textAlignment = box->alignment();
    option.lineWidth = 1;
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    if (box->isCheckable())
        option.subControls |= QStyle::SC_GroupBoxCheckBox;
    const QRect label =
        box->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, box);
    // The title starts where the style puts it and may use the frame's width from there.
    const QSize text =
        QFontMetrics(box->font()).size(Qt::TextShowMnemonic, box->title()).expandedTo(label.size());
    return Need{QRect(label.topLeft(), QPoint(box->rect().right(), box->rect().bottom())), text};
}

// Misfits of one control, each naming it; the room is in the control's coordinates.
void checkNeed(const QWidget* control, const QString& name, const Need& need, QStringList* misfits)
{
    if (need.text.width() > need.room.width() || need.text.height() > need.room.height()) {
        misfits->append(QStringLiteral("%1: its caption needs %2 px, has %3")
                            .arg(name, sizeText(need.text), sizeText(need.room.size())));
        return;
    }
    // The control itself and every frame on the way to the window clip what lies outside them.
    QRect used(need.room.topLeft(), need.text);
    const QWidget* clipping = control;
    for (const QWidget* w = control; clipping; w = clipping) {
        if (!clipping->rect().contains(used)) {
            misfits->append(QStringLiteral("%1: its caption is cut by %2 (needs %3 at %4,%5 in "
                                           "%6)")
                                .arg(name, describe(clipping), sizeText(used.size()))
                                .arg(used.x())
                                .arg(used.y())
                                .arg(sizeText(clipping->size())));
            return;
        }
        clipping = w->isWindow() ? nullptr : w->parentWidget();
        used.translate(w->pos());
    }
}

void checkTabs(const QTabBar* bar, QStringList* misfits)
{
    const int space = bar->style()->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, bar);
    for (int i = 0; i < bar->count(); ++i) {
        QSize text = QFontMetrics(bar->font()).size(Qt::TextShowMnemonic, bar->tabText(i));
        if (!bar->tabIcon(i).isNull())
            text.rwidth() += bar->iconSize().width() + 4;
        text.rwidth() += space;
        const QRect tab = bar->tabRect(i);
        const QString name = QStringLiteral("%1 tab \"%2\"").arg(describe(bar), bar->tabText(i));
        checkNeed(bar, name, Need{tab, QSize(text.width(), tab.height())}, misfits);
    }
}

// A page moved out of sight (the options window parks its hidden pages) is not on screen.
bool parkedOutOfSight(const QWidget* control)
{
    for (const QWidget* w = control->parentWidget(); w && !w->isWindow(); w = w->parentWidget()) {
        if (!w->parentWidget()->rect().intersects(w->geometry()))
            return true;
    }
    return false;
}

} // namespace

QStringList misfitsOf(QWidget* window)
{
    QStringList misfits;
    const QList<QWidget*> controls = window->findChildren<QWidget*>();
    for (const QWidget* control : controls) {
        if (control->window() != window || !control->isVisibleTo(window) ||
            parkedOutOfSight(control))
            continue;
        std::optional<Need> need;
        if (auto* label = qobject_cast<const QLabel*>(control))
            need = labelNeed(label);
        else if (auto* button = qobject_cast<const QAbstractButton*>(control))
            need = buttonNeed(button);
        else if (auto* box = qobject_cast<const QGroupBox*>(control))
            need = groupBoxNeed(box);
        else if (auto* bar = qobject_cast<const QTabBar*>(control))
            checkTabs(bar, &misfits);
        if (!need)
            continue;
        checkNeed(control, describe(control), *need, &misfits);
        // A caption made to fit by a smaller font is no longer the text the window was drawn with.
        if (control->font().pointSizeF() < QApplication::font().pointSizeF())
            misfits.append(QStringLiteral("%1: its caption is shrunk to %2 points")
                               .arg(describe(control))
                               .arg(control->font().pointSizeF()));
    }
    return misfits;
}
