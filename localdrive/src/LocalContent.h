#ifndef TQDRIVE_LOCALCONTENT_H
#define TQDRIVE_LOCALCONTENT_H

#include "DriveContent.h"

namespace TQDrive {

// Content of the local drive: blobs named by their SHA-256 in the drive folder; uploads are staged
// in the transfer's staging folder and taken over by the catalog's commit.
class LocalContent : public DriveContent
{
public:
    explicit LocalContent(std::shared_ptr<DriveStore> store);

    int upload(
        const TransferRecord &transfer, const TransferItem &item, TransferFlow &flow, UploadCommit *commit) override;
    int download(const TransferRecord &transfer, const TransferItem &item, const QString &part, TransferFlow &flow,
        QString *hash) override;
    int fetch(const Entry &entry, const QString &target) override;
    QString thumbnail(const Entry &entry) const override;
    void dropStaging(const TransferRecord &transfer) override;

private:
    std::shared_ptr<DriveStore> m_store;
};

} // namespace TQDrive

#endif
