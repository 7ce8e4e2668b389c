#include "ui/main/DocumentPrompts.h"
#include "ui/UiLanguage.h"

#include "app/Appli.h"
#include "document/DocumentFile.h"
#include "document/Recovery.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"

#include <QApplication>
#include <QLocale>
#include <QWidget>

namespace priomat {

namespace {

QString productName()
{
    return Appli ? Appli->ProductName : QStringLiteral("Priomat");
}

} // namespace

void DocumentPrompts::showError(const QString &message)
{
    ShowMessageBox(message, QStringLiteral("Error"), platform::MB_OK | platform::MB_ICONHAND);
}

void DocumentPrompts::showNotADataFile(const QString &message)
{
    ShowMessageBox(message, QStringLiteral("Error"), platform::MB_OK | platform::MB_ICONWARNING);
}

bool DocumentPrompts::askRecovery()
{
    return ShowMessageBox(RecoveryQuestion(UiJapanese()), QStringLiteral("Warning"),
                          platform::MB_YESNO | platform::MB_ICONWARNING) == platform::IDYES;
}

OverwriteChoice DocumentPrompts::confirmOverwrite(OverwriteReason reason, const QString &path)
{
    QString text;
    if (reason == OverwriteReason::ChangedOnDisk)
        text = path + UiText(QStringLiteral("\r\nは、ここで開くか保存した後に別のプログラムによって変更されています。\r\n"
                                            "上書きすると、その変更は失われます。"),
                             QStringLiteral("\r\nwas changed by another program after it was opened or saved here.\r\n"
                                            "Overwriting it loses those changes."));
    else
        text = path + UiText(QStringLiteral("\r\nは最後まで読み込まれていません。\r\n上書きすると、読み込まれなかった部分は失われます。"),
                             QStringLiteral("\r\nwas not read to its end.\r\nOverwriting it loses the part that was not read."));
    QStringList offered{UiText(QStringLiteral("上書きする"), QStringLiteral("Overwrite")),
                        UiText(QStringLiteral("名前を付けて保存..."), QStringLiteral("Save As...")),
                        UiText(QStringLiteral("読み込み直す"), QStringLiteral("Reload")),
                        UiText(QStringLiteral("キャンセル"), QStringLiteral("Cancel"))};
    if (reason == OverwriteReason::IncompleteRead)
        offered.removeAt(2); // reloading gives the same part again
    QWidget *owner = QApplication::activeWindow();
    int answer = platform::services().messageBox->choose(owner ? owner : owner_, text, productName(), offered,
                                                         int(offered.size()) - 1);
    if (reason == OverwriteReason::IncompleteRead && answer >= 2)
        ++answer;
    switch (answer) {
    case 0:
        return OverwriteChoice::Overwrite;
    case 1:
        return OverwriteChoice::SaveAs;
    case 2:
        return OverwriteChoice::Reload;
    default:
        return OverwriteChoice::Cancel;
    }
}

int DocumentPrompts::askSaveModified(const QString &fileName)
{
    const QString question =
        fileName.isEmpty()
            ? UiText(QStringLiteral("変更されています。\r\n保存しますか？"), QStringLiteral("Modified.\r\nDo you want to save it?"))
            : fileName + UiText(QStringLiteral("\r\nは変更されています。\r\n保存しますか？"),
                                QStringLiteral("\r\nis modified.\r\nDo you want to save it?"));
    return ShowMessageBox(question, productName(), platform::MB_YESNOCANCEL | platform::MB_ICONWARNING);
}

bool DocumentPrompts::askReload(const QString &fileName, bool modified)
{
    QString text = fileName + UiText(QStringLiteral("\r\nは別のプログラムによって変更されました。\r\n読み込み直しますか？"),
                                     QStringLiteral("\r\nwas changed by another program.\r\nDo you want to reload it?"));
    if (modified)
        text += UiText(QStringLiteral("\r\n（ここでの保存されていない変更は失われます。）"),
                       QStringLiteral("\r\n(The unsaved changes made here would be lost.)"));
    return ShowMessageBox(text, productName(), platform::MB_YESNO | platform::MB_ICONWARNING | platform::MB_DEFBUTTON2)
           == platform::IDYES;
}

DocumentPrompts::RecoveryAnswer DocumentPrompts::askOpenRecoveryCopy(const RecoveryCopy &copy)
{
    const QString when = QLocale(UiJapanese() ? QLocale::Japanese : QLocale::English)
                             .toString(copy.written, QLocale::ShortFormat);
    const QString document = copy.originalPath.isEmpty()
                                 ? UiText(QStringLiteral("名前のない文書"), QStringLiteral("an untitled document"))
                                 : copy.originalPath;
    const QString text = UiText(QStringLiteral("保存されずに終了した Priomat が、%1 の復元用コピー（%2）を残しています。\r\n"
                                               "保存されていない文書として開きますか？\r\n\r\n復元用コピー: %3"),
                                QStringLiteral("A Priomat that ended without saving left a recovery copy of %1 (%2).\r\n"
                                               "Open it as an unsaved document?\r\n\r\nRecovery copy: %3"))
                             .arg(document, when, copy.copyPath);
    const QStringList buttons{UiText(QStringLiteral("開く"), QStringLiteral("Open")),
                              UiText(QStringLiteral("後で決める"), QStringLiteral("Keep for later")),
                              UiText(QStringLiteral("破棄する"), QStringLiteral("Discard"))};
    switch (platform::services().messageBox->choose(owner_, text, productName(), buttons, 1)) {
    case 0:
        return RecoveryAnswer::Open;
    case 2:
        return RecoveryAnswer::Discard;
    default:
        return RecoveryAnswer::Keep;
    }
}

} // namespace priomat
