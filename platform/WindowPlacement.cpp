#include "platform/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

void centreWindow(QWidget* window, QWidget* owner)
{
    if (owner != nullptr && !owner->isVisible())
        owner = nullptr;
    QScreen* screen = owner != nullptr ? owner->screen() : window->screen();
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    const QRect area = screen != nullptr ? screen->availableGeometry() : QRect();
    // move() places the frame, so frames on both sides.
    const QRect reference = owner != nullptr ? owner->frameGeometry() : area;
    const QSize size = window->frameGeometry().size();

    QPoint topLeft(reference.center().x() - size.width() / 2,
                   reference.center().y() - size.height() / 2);
    if (area.isValid()) {
        topLeft.setX(std::clamp(topLeft.x(), area.left(),
                                std::max(area.left(), area.right() + 1 - size.width())));
        topLeft.setY(std::clamp(topLeft.y(), area.top(),
                                std::max(area.top(), area.bottom() + 1 - size.height())));
    }
    window->move(topLeft);
}
