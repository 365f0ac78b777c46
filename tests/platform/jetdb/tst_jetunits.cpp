// The small pure pieces: Jet LIKE, the SQL shapes, text coding, the reader's
// reply format.

#include "Jet4File.h"
#include "JetInternal.h"

#include <QtTest>

using namespace jetdb;
using namespace jetdb::detail;

class TestJetUnits : public QObject {
    Q_OBJECT
private slots:
    void likeMatching_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("match");
        QTest::newRow("exact") << "CH1" << "CH1" << true;
        QTest::newRow("no prefix match") << "CH10" << "CH1" << false;
        QTest::newRow("case") << "ch1" << "CH1" << true;
        QTest::newRow("chinese") << "报警通道" << "报警*" << true;
        QTest::newRow("star empty") << "CH" << "CH*" << true;
        QTest::newRow("star middle") << "CH12" << "C*2" << true;
        QTest::newRow("many stars") << "aaaaaaaaaaaaaaaaaaaaaaaab" << "*a*a*a*a*a*a*c" << false;
        QTest::newRow("question") << "CH5" << "CH?" << true;
        QTest::newRow("question needs one") << "CH" << "CH?" << false;
        QTest::newRow("digit") << "CH5" << "CH#" << true;
        QTest::newRow("digit not letter") << "CHx" << "CH#" << false;
        QTest::newRow("set") << "b" << "[abc]" << true;
        QTest::newRow("negated set") << "b" << "[!abc]" << false;
        QTest::newRow("range") << "Q" << "[a-z]" << true;
        QTest::newRow("literal star") << "a*" << "a[*]" << true;
        QTest::newRow("literal star no") << "ab" << "a[*]" << false;
        QTest::newRow("unclosed set") << "a[" << "a[" << false;
        QTest::newRow("empty both") << "" << "" << true;
        QTest::newRow("empty text") << "" << "?" << false;
    }
    void likeMatching()
    {
        QFETCH(QString, text);
        QFETCH(QString, pattern);
        QFETCH(bool, match);
        QCOMPARE(likeMatch(text, pattern), match);
    }

    void statements()
    {
        QString t;
        QCOMPARE(parseStatement(QStringLiteral("delete * from iSMSx"), &t), Statement::DeleteAll);
        QCOMPARE(t, QStringLiteral("iSMSx"));
        QCOMPARE(parseStatement(QStringLiteral("  DELETE FROM [Phone Table];"), &t), Statement::DeleteAll);
        QCOMPARE(t, QStringLiteral("Phone Table"));
        QCOMPARE(parseStatement(QStringLiteral("select * from oSMSx"), &t), Statement::SelectAll);
        QCOMPARE(t, QStringLiteral("oSMSx"));
        QCOMPARE(parseStatement(QStringLiteral("Select * From [表一]"), &t), Statement::SelectAll);
        QCOMPARE(t, QStringLiteral("表一"));
        QCOMPARE(parseStatement(QStringLiteral("select a from t"), &t), Statement::Invalid);
        QCOMPARE(parseStatement(QStringLiteral("delete * from t where x=1"), &t), Statement::Invalid);
        QCOMPARE(parseStatement(QStringLiteral("drop table t"), &t), Statement::Invalid);

        Criterion c;
        QVERIFY(parseCriterion(QStringLiteral("指令号 like 'CH12'"), &c));
        QCOMPARE(c.field, QStringLiteral("指令号"));
        QCOMPARE(c.pattern, QStringLiteral("CH12"));
        QVERIFY(c.like);
        QVERIFY(parseCriterion(QStringLiteral("[指令 号] = 'it''s'"), &c));
        QCOMPARE(c.field, QStringLiteral("指令 号"));
        QCOMPARE(c.pattern, QStringLiteral("it's"));
        QVERIFY(!c.like);
        QVERIFY(parseCriterion(QStringLiteral("a LIKE \"x*\""), &c));
        QCOMPARE(c.pattern, QStringLiteral("x*"));
        QVERIFY(!parseCriterion(QStringLiteral("指令号 like CH1"), &c));
        QVERIFY(!parseCriterion(QStringLiteral("like 'x'"), &c));
    }

    void textCoding()
    {
        // ASCII shrinks to one byte a character behind the FF FE marker.
        QCOMPARE(encodeText(QStringLiteral("abc"), true), QByteArray("\xFF\xFE" "abc", 5));
        QCOMPARE(encodeText(QStringLiteral("abc"), false), QByteArray("a\0b\0c\0", 6));
        // Two characters would not get shorter.
        QCOMPARE(encodeText(QStringLiteral("ab"), true), QByteArray("a\0b\0", 4));
        // Chinese stays plain UCS-2.
        QCOMPARE(encodeText(QStringLiteral("中"), true), QByteArray("\x2D\x4E", 2));
        // A character whose low byte is zero cannot be compressed.
        QCOMPARE(encodeText(QStringLiteral("abcdef\u4E00"), true).left(2), QByteArray("a\0", 2));
        const QList<QString> samples = {
            QString(), QStringLiteral("x"), QStringLiteral("abc 中文 def 更多中文 xyz"),
            QStringLiteral("一\u0100\u4E00"), QStringLiteral("\uFEFFabc"), QStringLiteral("\uFEFF"),
            QStringLiteral("é"), QStringLiteral("line\r\nline"),
        };
        for (const QString& s : samples)
            for (bool comp : {true, false})
                QCOMPARE(decodeText(encodeText(s, comp)), s);
    }

    void replyFormat()
    {
        TableData d;
        d.columns = {QStringLiteral("指令号"), QStringLiteral("b")};
        d.rows = {{QStringLiteral("CH0"), std::nullopt},
                  {QString(), QStringLiteral("x\ny:3:\nN\n")}};
        const QByteArray reply = encodeTable(d);
        TableData back;
        QString err;
        QVERIFY2(decodeReply(reply, nullptr, &back, &err), qPrintable(err));
        QCOMPARE(back.columns, d.columns);
        QCOMPARE(back.rows, d.rows);

        // A reply cut anywhere, as by a crash, is never taken for data.
        for (qsizetype n = 0; n < reply.size(); ++n) {
            QVERIFY(!decodeReply(reply.left(n), nullptr, &back, &err));
            QVERIFY(!err.isEmpty());
        }
        QVERIFY(!decodeReply(reply + "x", nullptr, &back, &err));
        QVERIFY(!decodeReply("JETDB1 TABLE 2 99999999\n", nullptr, &back, &err));
        QVERIFY(!decodeReply("JETDB1 TABLE 1 1\n3:abc\n9:x\nEND\n", nullptr, &back, &err));
        QVERIFY(!decodeReply("JETDB1 TABLE 1 1\n3:abc\n-1:\nEND\n", nullptr, &back, &err));

        QVERIFY(!decodeReply(encodeError(QStringLiteral("坏文件")), nullptr, &back, &err));
        QCOMPARE(err, QStringLiteral("坏文件"));

        QStringList names;
        QVERIFY(decodeReply(encodeTables({QStringLiteral("a"), QStringLiteral("表")}), &names, nullptr, &err));
        QCOMPARE(names, QStringList({QStringLiteral("a"), QStringLiteral("表")}));
    }
};

QTEST_GUILESS_MAIN(TestJetUnits)
#include "tst_jetunits.moc"
