// What the plug-in puts in its log of a drive call: the request and answer texts without secrets.
#include "KSDriveAnswer.h"

#include <QTest>

class TestDriveAnswer : public QObject
{
    Q_OBJECT

private slots:
    void masked();
};

void TestDriveAnswer::masked()
{
    // The access code goes from a share's request and answer, the answer's result code stays.
    QCOMPARE(KSDriveAnswer::masked(R"({"code":0,"data":{"code":"Xk29vLq7","id":"s1"},"error_code":"e"})"),
        QByteArray(R"({"code":0,"data":{"code":"***","id":"s1"},"error_code":"e"})"));
    // A share download names it after the share's id; a link without one stays whole.
    QCOMPARE(KSDriveAnswer::masked(R"([{"share_id":"s1:Xk29vLq7"},{"share_id":"s2"}])"),
        QByteArray(R"([{"share_id":"s1:***"},{"share_id":"s2"}])"));
    QCOMPARE(KSDriveAnswer::masked("{\"token\" : \"t\\\"q\", \"access_code\":\"a\",\"password\":\"p\"}"),
        QByteArray(R"({"token" : "***", "access_code":"***","password":"***"})"));
}

QTEST_GUILESS_MAIN(TestDriveAnswer)
#include "tst_driveanswer.moc"
