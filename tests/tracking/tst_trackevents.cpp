// Every analytics event of the plug-in, as the host's analytics receives it.
#include "KSCloudDiskTrackEvent.h"
#include "KSTrackEvent.h"

#include <QTest>

using Props = QList<QPair<QString, QVariant>>;
Q_DECLARE_METATYPE(Props)

class TestTrackEvents : public QObject
{
    Q_OBJECT

private slots:
    void events_data();
    void events();
    void customEvent();
};

namespace {

Props use(const char *format, const char *interaction, qint64 kb, const QString &fileId, const QString &location)
{
    return {{"file_format", QString::fromLatin1(format)}, {"interaction_type", QString::fromLatin1(interaction)},
        {"file_size", kb}, {"file_id", fileId}, {"location", location}, {"web_url", QString()}};
}

Props with(Props a, const Props &more)
{
    a.append(more);
    return a;
}

} // namespace

void TestTrackEvents::events_data()
{
    QTest::addColumn<int>("which");
    QTest::addColumn<QString>("name");
    QTest::addColumn<Props>("properties");

    const QString use = QStringLiteral("cloud_service_use_status");
    // Sizes: 1023 bytes are 0 KB, 1048576 bytes are 1024 KB; suffixes go upper case.
    QTest::newRow("begin upload") << 0 << use << ::use("MP4", "1", 0, QString(), "transfer_center");
    QTest::newRow("upload success") << 1 << use
                                    << with(::use("MP4", "2", 1024, "f1", "transfer_center"),
                                           Props{{"preset_file_type", QString("media_project_template")}});
    QTest::newRow("begin download") << 2 << use << ::use("VQP", "3", 1, "f1", "loc");
    QTest::newRow("download success") << 3 << use
                                      << with(::use("VQP", "4", 1, "f1", "loc"),
                                             Props{{"download_to_default_address", true}});
    QTest::newRow("begin share") << 4 << use << ::use("MOV", "5", 2, "f2", "x");
    QTest::newRow("share success") << 5 << use << ::use("MOV", "6", 2, "f2", "x");
    QTest::newRow("click upload") << 6 << use << ::use("PNG", "7", 0, QString(), "x");
    QTest::newRow("click download") << 7 << use << ::use("PNG", "8", 0, "f3", "x");
    QTest::newRow("upload failed, text") << 8 << use
                                         << with(::use("MP4", "9", 3, QString(), "x"),
                                                Props{{"fail_reason", QString("membership expired")}});
    QTest::newRow("upload failed, code") << 9 << use
                                         << with(::use("MP4", "9", 3, QString(), "x"),
                                                Props{{"fail_reason", QString("140013")},
                                                    {"preset_file_type", QString("title")}});
    QTest::newRow("download failed, code")
        << 10 << use << with(::use("MP4", "10", 3, "f4", "x"), Props{{"fail_reason", QString("18")}});
    QTest::newRow("create link") << 11 << use << ::use("MP4", "11", 3, "f4", "x");
    QTest::newRow("share failed, text") << 12 << use
                                        << with(::use("MP4", "12", 3, "f4", "x"),
                                               Props{{"fail_reason", QString("no space")}});
    QTest::newRow("share failed, code") << 13 << use
                                        << with(
                                               ::use("MP4", "12", 3, "f4", "x"), Props{{"fail_reason", QString("-1")}});
    QTest::newRow("button") << 14 << QString("embed_window_btn_click")
                            << Props{{"window_name", QString("cloud_share")}, {"btn_name", QString("create_link")},
                                   {"dont_ask_again", QString()}};
    QTest::newRow("popup") << 15 << QString("embeded_window_popup") << Props{{"window_name", QString("Authorize")}};
    QTest::newRow("menu, empty preset") << 16 << QString("property_preset_click")
                                        << Props{{"menu_name", QString("upload")}, {"preset_file_type", QString()}};
}

void TestTrackEvents::events()
{
    QFETCH(int, which);
    QFETCH(QString, name);
    QFETCH(Props, properties);

    KSAnalyticsCapture capture;
    switch (which) {
    case 0:
        KSCloudDiskBeginUploadEvent("mp4", 1023, "transfer_center").sendEvent();
        break;
    case 1:
        KSCloudDiskUploadSuccessEvent("Mp4", 1048576, "f1", "transfer_center", "media_project_template").sendEvent();
        break;
    case 2:
        KSCloudDiskBeginDownloadEvent("vqp", 2047, "f1", "loc").sendEvent();
        break;
    case 3:
        KSCloudDiskDownloadSuccessEvent("vqp", 1024, "f1", "loc", true).sendEvent();
        break;
    case 4:
        KSCloudDiskBeginShareEvent("mov", 2048, "f2", "x").sendEvent();
        break;
    case 5:
        KSCloudDiskShareSuccessEvent("mov", 2048, "f2", "x").sendEvent();
        break;
    case 6:
        KSCloudDiskClickUploadEvent("png", 10, "x").sendEvent();
        break;
    case 7:
        KSCloudDiskClickDownloadEvent("png", 10, "f3", "x").sendEvent();
        break;
    case 8:
        KSCloudDiskUploadFailedEvent("mp4", 3072, "x", QString("membership expired")).sendEvent();
        break;
    case 9:
        KSCloudDiskUploadFailedEvent("mp4", 3072, "x", 140013, "title").sendEvent();
        break;
    case 10:
        KSCloudDiskDownloadFailedEvent("mp4", 3072, "f4", "x", 18).sendEvent();
        break;
    case 11:
        KSCloudDiskClickCreateLinkEvent("mp4", 3072, "f4", "x").sendEvent();
        break;
    case 12:
        KSCloudDiskShareFailedEvent("mp4", 3072, "f4", "x", QString("no space")).sendEvent();
        break;
    case 13:
        KSCloudDiskShareFailedEvent("mp4", 3072, "f4", "x", -1).sendEvent();
        break;
    case 14:
        KSCloudDiskBtnClickEvent("cloud_share", "create_link", QString()).sendEvent();
        break;
    case 15:
        KSCloudDiskWindowPopupEvent("Authorize").sendEvent();
        break;
    case 16:
        KSCloudDiskMenuClickEvent("upload", QString()).sendEvent();
        break;
    }
    const QVector<KSTrackRecord> records = capture.records();
    QCOMPARE(records.size(), 1);
    QCOMPARE(records.first().name, name);
    QCOMPARE(records.first().properties.size(), properties.size());
    for (int i = 0; i < properties.size(); ++i) {
        QCOMPARE(records.first().properties.at(i).first, properties.at(i).first);
        QCOMPARE(records.first().properties.at(i).second, properties.at(i).second);
    }
}

void TestTrackEvents::customEvent()
{
    KSAnalyticsCapture capture;
    KSCloudDiskCustomEvent("transfer_center_click").send(Props());
    QCOMPARE(capture.records().size(), 0);
    KSCloudDiskCustomEvent("transfer_center_click")
        .send({{"transfer_center_tab", QString("upload")}, {"transfer_center_btn", QString("Start All")}});
    KSCloudDiskCustomEvent("auto_sync").send("sync_status", 0);
    const QVector<KSTrackRecord> records = capture.records();
    QCOMPARE(records.size(), 2);
    QCOMPARE(records.at(0).name, QStringLiteral("transfer_center_click"));
    QCOMPARE(records.at(0).properties.at(0).first, QStringLiteral("transfer_center_tab"));
    QCOMPARE(records.at(0).properties.at(1).second.toString(), QStringLiteral("Start All"));
    QCOMPARE(records.at(1).properties, (Props{{"sync_status", 0}}));
}

QTEST_GUILESS_MAIN(TestTrackEvents)
#include "tst_trackevents.moc"
