// Renders every widget of the host kit, and each state of the stateful ones, to PNG files.
#ifndef WIDGETGALLERY_H
#define WIDGETGALLERY_H

#include "KSSkin.h"

#include <QDir>
#include <QObject>
#include <QStringList>

class QGridLayout;
class QLabel;
class QWidget;

class WidgetGallery : public QObject
{
    Q_OBJECT
public:
    explicit WidgetGallery(const QDir &folder, QObject *parent = nullptr);
    // Writes <folder>/<skin>/<scene>.png for every scene; returns the files written.
    QStringList render(KSSkinManager::Skin skin);
    // Resources the skins name that do not load (the icon set may still lack some).
    static QStringList missingResources();

private:
    void save(QWidget *window, const QString &name);
    QWidget *sheet(QGridLayout **grid) const; // a page in the dialog colour with a grid of samples
    // A picture of `sample` with the mouse over `target` (default: the sample itself).
    QWidget *hovered(QWidget *sample, QWidget *target = nullptr) const;
    void addCaption(QGridLayout *grid, int row, int column, const QString &text) const;

    void dialogs();
    void messageBoxes();
    void buttons();
    void toolButtons();
    void checkBoxes();
    void fields();
    void progress();
    void transferCenter();
    void emptyStates();
    void floatingAndToast();

    QDir m_folder;
    QStringList m_written;
};

#endif
