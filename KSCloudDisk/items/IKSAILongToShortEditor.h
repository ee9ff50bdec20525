// The editor's long-to-short editor as the plug-in sees it: it takes the cloud results of a job
// whose clips are all uploaded. The editor hands its editor over once it exists.
#ifndef IKSAILONGTOSHORTEDITOR_H
#define IKSAILONGTOSHORTEDITOR_H

#include "kscloudglobal.h"

#include <QList>
#include <QString>

// One clip of a script as it is in the cloud.
struct KSUsedAssetInfo {
    QString fileId;
    QString localPath;
};

// The results of a job: its own cloud file and the editor's result value.
struct KSAILongToShortChangeResultsParam {
    QString key;
    QString fileId;
    QString result;
};

// The clips of one group of a job.
struct KSAILongToShortChangeScriptParam {
    QString key;
    QString groupKey;
    QList<KSUsedAssetInfo> usedAssets;
};

class KSCLOUDDISK_API IKSAILongToShortEditor
{
public:
    virtual void changeResults(const KSAILongToShortChangeResultsParam &param) = 0;
    virtual void changeScript(const KSAILongToShortChangeScriptParam &param) = 0;

protected:
    ~IKSAILongToShortEditor() = default;
};

namespace KSVBLMODEL {
// Null until the editor sets one; not owned.
KSCLOUDDISK_API IKSAILongToShortEditor *geAILongToShortEditor();
KSCLOUDDISK_API void setAILongToShortEditor(IKSAILongToShortEditor *editor);
} // namespace KSVBLMODEL

#endif
