#include "ui/LazyStyleIcons.h"

#include <QApplication>
#include <QIconEngine>
#include <QPointer>
#include <QProxyStyle>
#include <QWidget>

namespace {

// One standard icon of a style, asked of it on first use.
class LazyStandardIcon : public QIconEngine
{
public:
    LazyStandardIcon(const QStyle* style, QStyle::StandardPixmap which, const QWidget* widget)
        // QPointer takes only what it could change; these are only read.
        : m_style(const_cast<QStyle*>(style)), m_which(which),
          m_widget(const_cast<QWidget*>(widget))
    {
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().pixmap(size, mode, state);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override
    {
        return icon().pixmap(size, scale, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return icon().availableSizes(mode, state);
    }
    // Not null without loading: a button drops an icon it takes for null.
    bool isNull() override { return false; }
    QIconEngine* clone() const override { return new LazyStandardIcon(*this); }
    QString key() const override { return QStringLiteral("LazyStandardIcon"); }

private:
    const QIcon& icon()
    {
        if (!m_loaded) {
            m_loaded = true;
            if (m_style)
                m_icon = m_style->standardIcon(m_which, nullptr, m_widget.data());
        }
        return m_icon;
    }

    QPointer<QStyle> m_style;
    QStyle::StandardPixmap m_which;
    QPointer<QWidget> m_widget;
    bool m_loaded = false;
    QIcon m_icon;
};

class LazyIconStyle : public QProxyStyle
{
public:
    QIcon standardIcon(StandardPixmap which, const QStyleOption* option,
                       const QWidget* widget) const override
    {
        // The overflow buttons of menu bars and tool bars, which a window whose menus fit never
        // shows; every other icon is asked now.
        if (option || (which != SP_ToolBarHorizontalExtensionButton &&
                       which != SP_ToolBarVerticalExtensionButton))
            return QProxyStyle::standardIcon(which, option, widget);
        return QIcon(new LazyStandardIcon(baseStyle(), which, widget));
    }
};

} // namespace

void UseLazyStyleIcons()
{
    QApplication::setStyle(new LazyIconStyle);
}
