// The Application Error report: numbered steps, exact report text, carrying on.
#include "core/AppError.h"
#include "gui/ErrorTrap.h"
#include "support/ScriptedPlatform.h"

#include <QtTest>

class ErrorReportTest : public QObject
{
    Q_OBJECT
private slots:
    void reportNamesRoutineAndLastStepReached()
    {
        ScriptedPlatform platform;
        ErrorTrap trap(platform, nullptr, QStringLiteral("Form1.PushButton4_Click"));
        QStringList ran;
        trap.step(100, [&] { ran << "100"; });
        trap.step(102, [&] { throw AppError(QStringLiteral("Permission denied"), 70); });
        trap.step(104, [&] { ran << "104"; });
        trap.step(106, [] { throw 42; });

        QCOMPARE(ran, QStringList({"100", "104"}));
        QCOMPARE(platform.boxes.size(), 2); // one per failing step
        QVERIFY(platform.boxes.at(1).text.startsWith(
            "Unknown error\r\nin Pennyvale2021/08/31.Form1.PushButton4_Click at line 106"));
        const auto &box = platform.boxes.first();
        QCOMPARE(box.caption, QStringLiteral("Application Error"));
        QCOMPARE(box.icon, Platform::Icon::Exclamation);
        QCOMPARE(box.buttons, Platform::Buttons::Ok);
        QCOMPARE(box.text,
                 QStringLiteral("Permission denied\r\nin Pennyvale2021/08/31.Form1."
                                "PushButton4_Click at line 102\r\rPlease email screenshot of "
                                "this message to support@brindlewood.example"));
    }

    void failedConditionGoesOnWithGuardedStatement()
    {
        ScriptedPlatform platform;
        ErrorTrap trap(platform, nullptr, QStringLiteral("Form1.Form_Load"));
        bool guardedRan = false;
        if (trap.test(102, []() -> bool { throw std::runtime_error("bad test"); }))
            trap.step(104, [&] { guardedRan = true; });
        QVERIFY(guardedRan);
        QCOMPARE(platform.errorReports().size(), 1);
        QVERIFY(platform.boxes.first().text.startsWith(QStringLiteral("bad test\r\n")));
        QVERIFY(platform.boxes.first().text.contains(QStringLiteral(" at line 102\r\r")));
    }
};

QTEST_GUILESS_MAIN(ErrorReportTest)
#include "tst_ErrorReport.moc"
