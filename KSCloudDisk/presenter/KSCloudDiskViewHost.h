#ifndef KSCLOUDDISKVIEWHOST_H
#define KSCLOUDDISKVIEWHOST_H

#include "kscloudglobal.h"

#include <QObject>
#include <QPointer>

class KSCloudDiskViewPresenter;
class KSFramelessDialog;
class KSTransferCenterThumbnailManager;
class QWidget;

// Hosts the transfer center for the presenter. The window and its panel are one per process and
// outlive a change of parent window; the panel is made once and moves between dialogs.
class KSCLOUDDISK_API KSCloudDiskViewHost : public QObject
{
    Q_OBJECT
public:
    KSCloudDiskViewHost(KSCloudDiskViewPresenter *presenter, KSTransferCenterThumbnailManager *urlDownloads,
        KSTransferCenterThumbnailManager *thumbnailExtracts);
    ~KSCloudDiskViewHost() override;

    static KSFramelessDialog *transferCenterDialog();
    static QWidget *transferCenterPanel();

    // Mode 0, 1 or 3 opens that tab, 2 follows an export's upload, any other keeps the last tab.
    void showCloudDiskView(QWidget *parent, int mode);
    void hideDiskCloudView();
    void setDlgParent(QWidget *parent);
    void unsetDlgParent(QWidget *parent);
    // Null once that widget is gone.
    QWidget *dlgParent() const { return m_dlgParent; }
    // Deletes the window (and the panel, which points at the presenter), with the teardown's log lines.
    void destroyTransferCenter();

    // No popup list view exists in this plug-in; these keep the editor's calls harmless.
    bool isCloudDiskViewVisible() const;
    QWidget *takeCloudDiskView();
    void closeCloudDiskView();
    void adjustPos();

private:
    void setThumbnailsPaused(bool paused);

    KSCloudDiskViewPresenter *m_presenter;
    KSTransferCenterThumbnailManager *m_urlDownloads;
    KSTransferCenterThumbnailManager *m_thumbnailExtracts;
    QPointer<QWidget> m_dlgParent;
};

#endif
