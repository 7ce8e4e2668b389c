// Qt's standard texts follow the interface language, not the locale.
#include "app/QtTranslations.h"

#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

using namespace priomat;

class TestQtTranslations : public QObject
{
    Q_OBJECT

private slots:
    void standardButtonsFollowTheInterfaceLanguage();
};

namespace {

QStringList buttonTexts()
{
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel | QMessageBox::Ok);
    return {box.button(QMessageBox::Yes)->text(), box.button(QMessageBox::No)->text(),
            box.button(QMessageBox::Cancel)->text(), box.button(QMessageBox::Ok)->text()};
}

} // namespace

void TestQtTranslations::standardButtonsFollowTheInterfaceLanguage()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QVERIFY(InstallQtTranslations(true));
    const QStringList japanese = buttonTexts();
    QVERIFY(japanese.at(0).startsWith(QStringLiteral("はい")));
    QVERIFY(japanese.at(1).startsWith(QStringLiteral("いいえ")));
    QCOMPARE(japanese.at(2), QStringLiteral("キャンセル"));

    // A Japanese locale does not make an English interface's dialogs Japanese, and a second
    // call replaces the first call's translations.
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    QVERIFY(InstallQtTranslations(false));
    QCOMPARE(buttonTexts(), (QStringList{"&Yes", "&No", "Cancel", "OK"}));
}

QTEST_MAIN(TestQtTranslations)
#include "tst_qttranslations.moc"
