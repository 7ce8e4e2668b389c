// Writes the files an installation needs beside the programs: the icon at every size, the MIME
// package and the desktop entry, from the same code the program uses at run time.
#include "ui/windows/AppIcon.h"
#include "setup/DesktopAssociation.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>

using namespace priomat;

namespace {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The icon of a document, at the program icon's sizes: the same drawing as
// application-x-priomat-ahp.svg.
QImage DocumentImage(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 32.0, size / 32.0);

    const QPen edge(QColor(0x7a, 0x8a, 0x99), 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    QPainterPath page;
    page.moveTo(6, 2);
    page.lineTo(21, 2);
    page.lineTo(27, 8);
    page.lineTo(27, 30);
    page.lineTo(6, 30);
    page.closeSubpath();
    painter.setPen(edge);
    painter.setBrush(Qt::white);
    painter.drawPath(page);
    QPainterPath fold;
    fold.moveTo(21, 2);
    fold.lineTo(21, 8);
    fold.lineTo(27, 8);
    painter.setBrush(QColor(0xdd, 0xe6, 0xee));
    painter.drawPath(fold);

    painter.setPen(QPen(QColor(0x1f, 0x4e, 0x79), 1.2, Qt::SolidLine, Qt::RoundCap));
    const QPointF goal(16.5, 13);
    const QPointF criteria[] = {{10.5, 24}, {16.5, 24}, {22.5, 24}};
    for (const QPointF &criterion : criteria)
        painter.drawLine(goal, criterion);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x1f, 0x4e, 0x79));
    painter.drawEllipse(goal, 2.8, 2.8);
    const qreal radii[] = {1.9, 2.6, 1.6};
    for (int i = 0; i < 3; ++i) {
        painter.setBrush(i == 1 ? QColor(0xf5, 0xa6, 0x23) : QColor(0x9f, 0xb3, 0xc8));
        painter.drawEllipse(criteria[i], radii[i], radii[i]);
    }
    painter.end();
    return image;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fputs("usage: priomat-export-assets OUTPUT-FOLDER\n", stderr);
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QString folder = out + QStringLiteral("/icons/hicolor/%1x%1/apps").arg(size);
        if (!QDir().mkpath(folder) || !ApplicationImage(size).save(folder + QStringLiteral("/priomat.png")))
            return 1;
        const QString types = out + QStringLiteral("/icons/hicolor/%1x%1/mimetypes").arg(size);
        if (!QDir().mkpath(types)
            || !DocumentImage(size).save(types + QStringLiteral("/application-x-priomat-ahp.png")))
            return 1;
    }
    // Installed entries start the program from PATH; a started program rewrites the user's own
    // entry with its full path.
    if (!QDir().mkpath(out + QStringLiteral("/mime/packages")) || !QDir().mkpath(out + QStringLiteral("/applications")))
        return 1;
    if (!writeFile(out + QStringLiteral("/mime/packages/priomat.xml"), desktop::MimePackageText()))
        return 1;
    if (!writeFile(out + QStringLiteral("/applications/priomat.desktop"), desktop::DesktopEntryText(QStringLiteral("priomat"))))
        return 1;
    return 0;
}
