#pragma once

#include "ToolWindow.h"

#include <QStringList>

#include <functional>

class QComboBox;
class QLineEdit;

// Shows the video source and edits the capture settings, the camera used when the Document
// Camera is absent and whether the live picture is offered to other programs. Nothing is stored
// until "OK".
class SettingsToolWindow : public ToolWindow {
    Q_OBJECT

public:
    // Asks the user for a folder; returns an empty string when the user cancels.
    using FolderChooser = std::function<QString()>;
    // The display names of the cameras that can be chosen (the Document Camera aside).
    using CameraLister = std::function<QStringList()>;

    SettingsToolWindow(QWidget *ownerButton, IToolHost *host);

    // Replaces the folder chooser (a modal dialog by default) used by the two "Browse" buttons.
    void setFolderChooser(FolderChooser chooser);
    // Replaces the camera list (the device monitor's cameras by default) and refills the box.
    void setCameraLister(CameraLister lister);

signals:
    // "OK" has stored the settings (emitted before the window closes).
    void settingsSaved();

public slots:
    void snapshotFileBrowse();
    void recordFileBrowse();
    void settingsOk();

private:
    void browseInto(QLineEdit *field);
    void fillCameraBox();

    QComboBox *captureBox_;
    QComboBox *timeBox_;
    QLineEdit *sourceField_;
    QLineEdit *resolutionField_;
    QLineEdit *snapshotFolderField_;
    QLineEdit *recordFolderField_;
    QComboBox *cameraBox_;
    QComboBox *presentationBox_;
    FolderChooser chooseFolder_;
    CameraLister listCameras_;
};
