#ifndef KSCLOUDSPACESELECTDOWNLOADADDRESSDIALOG_H
#define KSCLOUDSPACESELECTDOWNLOADADDRESSDIALOG_H

#include "KSWidgets.h"
#include "kscloudglobal.h"

#include <memory>

// Asks where a cloud item goes before it is downloaded, and can keep the folder as the default for
// the next download of the same kind (mode 1 a project, any other value other cloud media).
class KSCLOUDDISK_API KSCloudSpaceSelectDownloadAddressDialog : public KSFramelessDialog
{
    Q_OBJECT
public:
    // An empty initial path lets the dialog propose the remembered or the default folder.
    KSCloudSpaceSelectDownloadAddressDialog(
        QWidget *parent, int mode, const QString &initialPath, const QString &fileName);
    ~KSCloudSpaceSelectDownloadAddressDialog() override;

    QString resultPath() const;
    int mode() const;
    // Lengths of the item's name plus the folder at or above this may break opening the file later.
    static constexpr int kLongNameLimit = 240;

public slots:
    void slotOk();

protected:
    void retranslateUi() override;

private:
    struct Private;
    std::unique_ptr<Private> const d;
};

#endif
