#pragma once

#include "ToolWindow.h"

#include <QStringList>

#include <functional>

class QComboBox;
class QLineEdit;

// Shows the video source and edits the capture settings, the camera used when the Document
// Camera is absent, whether the live picture is offered to other programs, the recording format
// and the time-lapse interval. Nothing is stored until "OK".
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

    QComboBox *m_captureBox;
    QComboBox *m_timeBox;
    QLineEdit *m_sourceField;
    QLineEdit *m_resolutionField;
    QLineEdit *m_snapshotFolderField;
    QLineEdit *m_recordFolderField;
    QComboBox *m_cameraBox;
    QComboBox *m_presentationBox;
    QComboBox *m_formatBox;
    QComboBox *m_timeLapseBox;
    FolderChooser m_chooseFolder;
    CameraLister m_listCameras;
};
