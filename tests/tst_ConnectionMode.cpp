// Going online before a check run, against a scripted connected-state record.
#include "gui/ConnectionMode.h"
#include "support/ScriptedPlatform.h"

#include <QtTest>

class ConnectionModeTest : public QObject
{
    Q_OBJECT
private slots:
    void goOnlineSetsTheConnectedStateOnlyWhenOffline_data()
    {
        // -1: the record cannot be read; for the state after a set, -1 leaves it unchanged.
        QTest::addColumn<qint64>("state");
        QTest::addColumn<qint64>("stateAfterSet");
        QTest::addColumn<bool>("online");
        QTest::addColumn<int>("queries");
        QTest::addColumn<int>("sets");
        QTest::newRow("already connected") << 0x1LL << -1LL << true << 1 << 0;
        QTest::newRow("connected among other bits") << 0x15LL << -1LL << true << 1 << 0;
        QTest::newRow("offline, connected after the set") << 0x0LL << 0x1LL << true << 2 << 1;
        QTest::newRow("only other bits set") << 0x10LL << -1LL << false << 2 << 1;
        QTest::newRow("other bits after the set") << 0x0LL << 0x4LL << false << 2 << 1;
        QTest::newRow("query fails") << -1LL << 0x1LL << false << 2 << 1;
    }
    void goOnlineSetsTheConnectedStateOnlyWhenOffline()
    {
        QFETCH(qint64, state);
        QFETCH(qint64, stateAfterSet);
        QFETCH(bool, online);
        QFETCH(int, queries);
        QFETCH(int, sets);
        ScriptedPlatform platform;
        platform.connectedState = state < 0 ? std::nullopt : std::optional<quint32>(state);
        if (stateAfterSet >= 0)
            platform.connectedStateAfterSet = quint32(stateAfterSet);
        // A failing query keeps failing after the set.
        if (state < 0)
            platform.connectedStateAfterSet.reset();

        QCOMPARE(goOnline(platform), online);
        QCOMPARE(platform.connectedStateQueries, queries);
        QCOMPARE(platform.connectedStateSets, QList<quint32>(sets, 0x1));
    }

    void offlineMeansTheConnectedBitIsClear_data()
    {
        QTest::addColumn<qint64>("state");
        QTest::addColumn<bool>("offline");
        QTest::newRow("connected") << 0x1LL << false;
        QTest::newRow("zero") << 0x0LL << true;
        QTest::newRow("other bits only") << 0xFFFFFFFELL << true;
        QTest::newRow("all bits") << 0xFFFFFFFFLL << false;
        QTest::newRow("unreadable") << -1LL << true;
    }
    void offlineMeansTheConnectedBitIsClear()
    {
        QFETCH(qint64, state);
        QFETCH(bool, offline);
        ScriptedPlatform platform;
        platform.connectedState = state < 0 ? std::nullopt : std::optional<quint32>(state);
        QCOMPARE(isOffline(platform), offline);
        QVERIFY(platform.connectedStateSets.isEmpty());
    }
};

QTEST_GUILESS_MAIN(ConnectionModeTest)
#include "tst_ConnectionMode.moc"
