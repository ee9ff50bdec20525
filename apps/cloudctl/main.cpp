// cloudctl: the editor's cloud-storage plug-in driven from the command line.
#include "CloudCommands.h"
#include "FileNameCodec.h"

#include <QApplication>

int main(int argc, char **argv)
{
    // The plug-in needs a widget application; without a display it still runs, drawing nowhere.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Before the arguments are read: a path is taken as the system encodes it, valid UTF-8 or not.
    FileNameCodec::install();
    QCoreApplication::setApplicationName(QStringLiteral("cloudctl"));
    QCoreApplication::setApplicationVersion(QStringLiteral(CLOUDCTL_VERSION));
    CloudCommands commands;
    return commands.run(QCoreApplication::arguments());
}
