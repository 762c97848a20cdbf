#pragma once

#include "ToolWindow.h"

#include <functional>

class QComboBox;
class QLineEdit;

// Shows the video source and edits the four capture settings. Nothing is stored until "OK".
class SettingsToolWindow : public ToolWindow {
    Q_OBJECT

public:
    // Asks the user for a folder; returns an empty string when the user cancels.
    using FolderChooser = std::function<QString()>;

    SettingsToolWindow(QWidget *ownerButton, IToolHost *host);

    // Replaces the folder chooser (a modal dialog by default) used by the two "Browse" buttons.
    void setFolderChooser(FolderChooser chooser);

public slots:
    void snapshotFileBrowse();
    void recordFileBrowse();
    void settingsOk();

private:
    void browseInto(QLineEdit *field);

    QComboBox *captureBox_;
    QComboBox *timeBox_;
    QLineEdit *sourceField_;
    QLineEdit *resolutionField_;
    QLineEdit *snapshotFolderField_;
    QLineEdit *recordFolderField_;
    FolderChooser chooseFolder_;
};
