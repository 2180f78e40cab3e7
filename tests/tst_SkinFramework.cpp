// The skinning component: which style sheets count as usable skins, and what applying
// one does to the window.
#include "core/AppError.h"
#include "platform/QtPlatform.h"
#include "platform/SkinFramework.h"
#include "support/TestFiles.h"

#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

class SkinFrameworkTest : public QObject
{
    Q_OBJECT
private slots:
    void styleSheetCheck_data()
    {
        QTest::addColumn<QString>("sheet");
        QTest::addColumn<bool>("usable");
        QTest::newRow("empty") << "" << true;
        QTest::newRow("blanks and a comment") << "  /* nothing yet */\n" << true;
        QTest::newRow("rules") << "QWidget { background: #dde; }\nQPushButton:hover { color: red }"
                               << true;
        QTest::newRow("bare declarations") << "background: white; color: navy;" << true;
        QTest::newRow("brace in a string") << "QPushButton { qproperty-text: \"{\"; }" << true;
        QTest::newRow("brace in a comment") << "/* } */ QWidget { color: red }" << true;
        QTest::newRow("unclosed rule") << "QWidget { color: red" << false;
        QTest::newRow("stray closing brace") << "QWidget { color: red } }" << false;
        QTest::newRow("nested rule") << "QWidget { QPushButton { color: red } }" << false;
        QTest::newRow("rule without selector") << "{ color: red }" << false;
        QTest::newRow("selector without rule") << "QWidget { color: red } QPushButton" << false;
        QTest::newRow("declaration beside rules") << "color: red; QWidget { color: blue }" << false;
        QTest::newRow("unclosed comment") << "QWidget { color: red } /* oops" << false;
        QTest::newRow("unclosed string") << "QWidget { font-family: \"Arial }" << false;
    }
    void styleSheetCheck()
    {
        QFETCH(QString, sheet);
        QFETCH(bool, usable);
        QCOMPARE(SkinFramework::checkStyleSheet(sheet).isEmpty(), usable);
    }

    void unusableSkinFilesRaise_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // empty: no file
        QTest::newRow("missing") << QByteArray();
        QTest::newRow("not UTF-8") << QByteArray("QWidget { color: r\xe9\xff; }");
        QTest::newRow("broken sheet") << QByteArray("QWidget { color: red");
    }
    void unusableSkinFilesRaise()
    {
        QFETCH(QByteArray, bytes);
        QTemporaryDir folder;
        if (!bytes.isEmpty())
            TestFiles::write(folder.filePath("x/o.cjs"), bytes);
        SkinFramework skin;
        QVERIFY_THROWS_EXCEPTION(AppError, skin.loadSkin(folder.filePath("x/o.cjs"), QString()));
    }

    void skinReachesTheWindowOnlyWithColoursOption()
    {
        QTemporaryDir folder;
        const QString sheet = QStringLiteral("QPushButton { color: #123456; }");
        const QString path = TestFiles::write(folder.filePath("x/o.cjs"), sheet.toUtf8());
        QWidget window;
        SkinFramework skin;
        skin.loadSkin(path, QString());
        skin.applyWindow(&window);
        QCOMPARE(window.styleSheet(), QString());
        skin.setApplyOptions(skin.applyOptions() | SkinFramework::ApplyColors);
        skin.applyWindow(&window);
        QCOMPARE(window.styleSheet(), sheet);
    }

    // The skin is the window's alone: a message box or prompt the window owns keeps the
    // plain look, while the window's own buttons take the skin.
    void dialogsOfTheWindowAreNotSkinned()
    {
        QTemporaryDir folder;
        const QString path
            = TestFiles::write(folder.filePath("x/o.cjs"),
                               "QPushButton { color: #123456; } QLabel { color: #123456; }");
        QWidget window;
        auto *button = new QPushButton(QStringLiteral("Start"), &window);
        SkinFramework skin;
        skin.loadSkin(path, QString());
        skin.setApplyOptions(SkinFramework::ApplyColors);
        skin.applyWindow(&window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QColor skinned(0x12, 0x34, 0x56);
        QCOMPARE(button->palette().color(QPalette::ButtonText), skinned);

        QList<QColor> seen;
        const auto look = [&] {
            QWidget *dialog = QApplication::activeModalWidget();
            if (!dialog)
                return;
            for (auto *control : dialog->findChildren<QPushButton *>())
                seen << control->palette().color(QPalette::ButtonText);
            for (auto *label : dialog->findChildren<QLabel *>())
                seen << label->palette().color(QPalette::WindowText);
            if (auto *box = qobject_cast<QDialog *>(dialog))
                box->reject();
        };
        QtPlatform platform;
        QTimer::singleShot(0, look);
        platform.messageBox(&window, "Run-time error", "Application Error", Platform::Buttons::Ok,
                            Platform::Icon::Critical);
        QTimer::singleShot(0, look);
        platform.inputBox(&window, "Enter a link", "Brindlewood", QString());
        QVERIFY(seen.size() >= 4);
        QVERIFY(!seen.contains(skinned));
    }

    void keptLayoutSurvivesSheetSizes()
    {
        QTemporaryDir folder;
        const QString path = TestFiles::write(
            folder.filePath("x/o.cjs"), "QPushButton { min-width: 400px; min-height: 90px; }");
        QWidget window;
        window.setFixedSize(600, 300);
        auto *button = new QPushButton(QStringLiteral("Help"), &window);
        button->setGeometry(10, 20, 256, 27);
        SkinFramework skin;
        skin.loadSkin(path, QString());
        skin.setApplyOptions(SkinFramework::ApplyColors);
        skin.setStyledBackground(true);
        skin.setKeepLayout(true);
        skin.applyWindow(&window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(button->geometry(), QRect(10, 20, 256, 27));
        QCOMPARE(window.size(), QSize(600, 300));
        QVERIFY(window.testAttribute(Qt::WA_StyledBackground));
    }
};

QTEST_MAIN(SkinFrameworkTest)
#include "tst_SkinFramework.moc"
