#include "ui/windows/AppIcon.h"

#include <QPainter>
#include <QPainterPath>

namespace priomat {

QImage ApplicationImage(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 32.0, size / 32.0);

    QPainterPath background;
    background.addRoundedRect(QRectF(1, 1, 30, 30), 6, 6);
    painter.fillPath(background, QColor(0x1f, 0x4e, 0x79));

    painter.setPen(QPen(QColor(0xdd, 0xe6, 0xee), 1.6, Qt::SolidLine, Qt::RoundCap));
    const QPointF goal(16, 9);
    const QPointF criteria[] = {{7, 23}, {16, 23}, {25, 23}};
    for (const QPointF &criterion : criteria)
        painter.drawLine(goal, criterion);

    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xff, 0xff, 0xff));
    painter.drawEllipse(goal, 4, 4);
    const qreal radii[] = {2.6, 3.6, 2.2}; // the weights of the criteria
    for (int i = 0; i < 3; ++i) {
        painter.setBrush(i == 1 ? QColor(0xf5, 0xa6, 0x23) : QColor(0xdd, 0xe6, 0xee));
        painter.drawEllipse(criteria[i], radii[i], radii[i]);
    }
    painter.end();
    return image;
}

QPixmap ApplicationPixmap(int size)
{
    return QPixmap::fromImage(ApplicationImage(size));
}

QIcon ApplicationIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(ApplicationPixmap(size));
    return icon;
}

} // namespace priomat
