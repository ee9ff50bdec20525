// The main job: sample items made, sent up through the plug-in, listed, fetched back, checked,
// shared, with the task lists and a summary at the end.
#ifndef CLOUDDEMO_H
#define CLOUDDEMO_H

#include "CloudCtl.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QList>
#include <QString>

class CloudCommands;

class CloudDemo
{
    Q_DECLARE_TR_FUNCTIONS(CloudDemo)
public:
    explicit CloudDemo(CloudCommands &commands);
    // An empty root means a fresh temporary folder, removed at the end.
    int run(const QString &root, const QString &email);

private:
    struct Item {
        CloudCtl::ItemKind kind;
        QString kindName;
        QString local; // what was uploaded
        QString cloudFolder;
        qint64 size = 0;
        CloudCtl::Transfer up;
        CloudCtl::Transfer down;
        bool verified = false;
        QString check;
    };

    int runIn(const QString &root, const QString &email);
    bool verify(Item &item);
    void heading(const QString &title);
    void summary();
    int stopWith(int code);

    CloudCommands &m_commands;
    QList<Item> m_items;
    QString m_work;
    QString m_projectSource;
    QElapsedTimer m_clock;
    bool m_temporary = false;
};

#endif
