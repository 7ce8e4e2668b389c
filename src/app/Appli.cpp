#include "app/Appli.h"

#include "platform/HelpViewer.h"
#include "app/Mbcs.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"
#include "platform/SystemInfo.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

namespace priomat {

TAppli *Appli = nullptr;

namespace {

// The manual and the readme lie beside the program, or in ../share/priomat/ of a prefix install.
QString documentFile(const QString &programFolder, const QString &fileName)
{
    const QString beside = programFolder + fileName;
    if (QFileInfo::exists(beside))
        return beside;
    const QString shared = QDir::cleanPath(programFolder + QStringLiteral("../share/priomat/") + fileName);
    return QFileInfo(shared).isFile() ? shared : beside;
}

bool isFile(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

} // namespace

bool DecideJapanese(const QString &commandLine, bool systemIsJapanese)
{
    const QString upper = commandLine.toUpper();
    if (upper.contains(u"/JAPANESE"))
        return true;
    if (upper.contains(u"/ENGLISH"))
        return false;
    return systemIsJapanese;
}

bool IsPortableFolder(const QString &programFolder, const QString &programName)
{
    if (programFolder.isEmpty() || !QFileInfo(programFolder).isDir()
        || QDir(programFolder).dirName() == u"bin")
        return false;
    return isFile(programFolder + programName + QStringLiteral(".ini"))
           || isFile(programFolder + PortableMarkerName);
}

TAppli::TAppli(const platform::SystemInfo &system)
{
    const QString reported = system.programPath();
    // A path that does not lead to a file keeps its reported form.
    const QString resolved = LongPathName(reported);
    const QString programPath = resolved.isEmpty() || resolved.endsWith(u'/') ? reported : resolved;
    const qsizetype slash = programPath.lastIndexOf(u'/');
    ProgramPath = programPath;
    ProgramFolder = programPath.left(slash + 1);
    const QString fileName = programPath.mid(slash + 1);
    const qsizetype dot = fileName.lastIndexOf(u'.');
    ProgramName = dot < 0 ? fileName : fileName.left(dot);
    HelpFile = documentFile(ProgramFolder, ProgramName + QStringLiteral(".html"));
    ReadmeFile = documentFile(ProgramFolder, ProgramName + QStringLiteral(".txt"));

    Japanese = DecideJapanese(system.commandLine().join(u' '), system.defaultLanguageIsJapanese());

    MakerName = Japanese ? QStringLiteral("Quorrel研究所") : QStringLiteral("Quorrel Lab.");
    AuthorName = QStringLiteral("Tarvek");
    MakerKey = QStringLiteral("Quorrel Lab");
    CopyrightYears = QStringLiteral("2000");
    Description = QStringLiteral("Sample Soft");
    ProductName = QStringLiteral("Sample");
}

TAppli::~TAppli() = default;

void TAppli::SetProductIdentity()
{
    Description = Japanese ? QStringLiteral("Priomat支援ソフト") : QStringLiteral("an AHP support utililty");
    ProductName = QStringLiteral("Priomat");
    MajorVersion = 2;
    MinorVersion = 3;
    Revision = 4;
    MakerName.clear();
    CopyrightYears = QStringLiteral("1998-2001");
}

QString TAppli::VersionText() const
{
    return QStringLiteral("Ver.") + QString::number(MajorVersion) + u'.'
           + QString::number(MinorVersion + 100).mid(1, 2) + QStringLiteral("  Rev.")
           + QString::number(Revision);
}

void TAppli::ShowHelp() const
{
    ShowHelpContext(1);
}

QString TAppli::NoBrowserText() const
{
    return Japanese ? HelpFile + QStringLiteral(" を開くブラウザが見つかりません。")
                    : QStringLiteral("No web browser could open\r\n") + HelpFile + u'.';
}

void TAppli::ShowHelpContext(int context) const
{
    if (isFile(HelpFile)) {
        if (!platform::services().helpViewer->open(HelpFile, context))
            ShowMessageBox(NoBrowserText(), Japanese ? QStringLiteral("エラー") : QStringLiteral("Error"), 0x30);
        return;
    }
    if (Japanese)
        ShowMessageBox(HelpFile + QStringLiteral(" がありません"), QStringLiteral("エラー"), 0x30);
    else
        ShowMessageBox(HelpFile + QStringLiteral("\r\nis not found."), QStringLiteral("Error"), 0x30);
}

QString TAppli::CopyrightText() const
{
    QString text = Japanese ? QStringLiteral("著作権情報") : QStringLiteral("Copyright Information");
    text += u'\n';
    text += QStringLiteral("Copyright (C) ") + CopyrightYears + u' ' + AuthorName;
    if (!MakerName.isEmpty())
        text += u'\n' + MakerName;
    text += QStringLiteral("\nAll rights reserved.");

    QString pointer;
    if (isFile(ReadmeFile))
        pointer = ReadmeFile;
    else if (isFile(HelpFile))
        pointer = HelpFile;
    if (!pointer.isEmpty()) {
        text += QStringLiteral("\n\n");
        text += Japanese ? QStringLiteral("詳細は ") + pointer + QStringLiteral(" をご覧ください。")
                         : QStringLiteral("See ") + pointer + QStringLiteral(" for detail.");
    }
    return text;
}

void TAppli::ShowCopyright() const
{
    ShowMessageBox(CopyrightText(), ProductName, 0x40);
}

QString TAppli::VersionBoxText() const
{
    QString text = Japanese ? QStringLiteral("バージョン情報") : QStringLiteral("Version Information");
    text += QStringLiteral("\n\n") + Description + u'\n' + ProductName;
    if (ProductName.toUpper() != ProgramName.toUpper())
        text += QStringLiteral(" (") + ProgramName + u')';
    text += QStringLiteral("  ") + VersionText();
    return text;
}

void TAppli::ShowVersion() const
{
    ShowMessageBox(VersionBoxText(), ProductName, 0x40);
}

int ShowMessageBox(const QString &text, const QString &caption, unsigned flags)
{
    QString title = caption;
    if (title.isEmpty() && Appli)
        title = Appli->ProductName;
    QWidget *owner = qobject_cast<QApplication *>(QCoreApplication::instance())
                         ? QApplication::activeWindow()
                         : nullptr;
    return platform::services().messageBox->show(owner, text, title, flags);
}

QString LocalizedCaption(const QString &caption)
{
    QString c = caption;
    bool ellipsis = false;
    if (c.endsWith(QStringLiteral("..."))) {
        ellipsis = true;
        c.chop(3);
        qsizetype begin = 0;
        qsizetype end = c.size();
        while (begin < end && c.at(begin).unicode() <= 32)
            ++begin;
        while (end > begin && c.at(end - 1).unicode() <= 32)
            --end;
        c = c.mid(begin, end - begin);
    }
    if (const qsizetype open = c.indexOf(u'('); open >= 0) {
        c = c.mid(open + 1);
        if (const qsizetype close = c.indexOf(u')'); close >= 0)
            c = c.left(close);
    }
    static const QList<QPair<QString, QString>> accelerators{
        {"&F", "&File"},     {"&E", "&Edit"},   {"&S", "&Search"}, {"&V", "&View"},
        {"&T", "&Tool"},     {"&W", "&Window"}, {"&O", "&Option"}, {"&H", "&Help"}};
    for (const auto &[key, word] : accelerators) {
        if (c == key) {
            c = word;
            break;
        }
    }
    if (ellipsis)
        c += QStringLiteral(" ...");
    return c;
}

void LocalizeMenuItem(QAction *item)
{
    if (!item)
        return;
    if (!item->isSeparator())
        item->setText(LocalizedCaption(item->text()));
    if (QMenu *menu = item->menu()) {
        menu->setTitle(item->text());
        for (QAction *child : menu->actions())
            LocalizeMenuItem(child);
    }
}

void LocalizeMenu(QMenuBar *menu)
{
    for (QAction *item : menu->actions())
        LocalizeMenuItem(item);
}

void LocalizeMenu(QMenu *menu)
{
    for (QAction *item : menu->actions())
        LocalizeMenuItem(item);
}

} // namespace priomat
