#pragma once

#include "ILiveControl.h"
#include "ModePage.h"
#include "OSDProcessor.h"
#include "RecordingFormat.h"

#include <QPointer>

#include <memory>

class ImageButton;
class QAbstractButton;
class QMessageBox;
class QWidget;
class ScanController;
class ScanStrip;

// Live mode: the camera's picture from the live source, with the capture commands. A snapshot
// or a recording is taken of the live canvas; the recording indicator under the picture shows a
// running recording and starts and stops one like the panel's record button. The live source
// keeps running in the other modes, so a recording or a snapshot series goes on there. Every
// clicker key freezes or unfreezes the picture.
class LivePage : public ModePage {
    Q_DECLARE_TR_FUNCTIONS(MainWindow)

public:
    // The live source is made by the factory on the page's canvas (none without a factory).
    LivePage(MainWindow &window, LiveControlFactory factory);
    // Stops a running recording, then deletes the live source.
    ~LivePage() override;

    bool usesCamera() const override { return true; }

    void enter() override;
    void leave() override;
    void layout(const PageGeometry &geometry) override;

    // The live source; null when the window was made without one.
    ILiveControl *control() const { return m_live.get(); }
    bool isRecording() const { return m_recording; }
    // The folder error box while it is shown.
    QMessageBox *folderErrorBox() const { return m_folderErrorBox; }

    // Gives the stored camera choice and presentation switch to the live source.
    void applySettings();
    void snapshot();
    // Starts a recording when button (the panel's or the indicator's record button) was turned
    // on, stops it otherwise; both buttons then show whether one runs.
    void record(QAbstractButton *button);
    // Scanning paper: finds the sheet in the camera's picture and adds it, straightened, to the
    // document being built, which the scan strip under the picture shows while it has pages.
    void scanPage();
    ScanController *scanner() const { return m_scanner; }
    ScanStrip *scanStrip() const { return m_scanStrip; }

protected:
    void createControls() override;

private:
    // A recording that ended without a stop command: the buttons and the clock say so.
    void recordingEnded(bool failed);
    void showFolderError();
    void showNotice(const QString &notice) const;
    // The chosen recording format, AVI with a notice when its encoders are not installed.
    RecordingFormat recordingFormat() const;
    // The frames and film length over the recording clock while a time-lapse runs.
    OSDProcessor::Caption timeLapseCaption() const;
    void createScanner();
    // The strip shows in Live mode while the document has pages.
    void updateScanStrip();

    LiveControlFactory m_factory;
    std::unique_ptr<ILiveControl> m_live;
    QWidget *m_recordingIndicator = nullptr;
    ImageButton *m_indicatorRecordButton = nullptr;
    ImageButton *m_recordButton = nullptr;
    ImageButton *m_snapshotButton = nullptr;
    bool m_recording = false;
    ScanController *m_scanner = nullptr;
    ScanStrip *m_scanStrip = nullptr;
    // Whether Live mode is shown; the window opens in it.
    bool m_entered = true;
    QPointer<QMessageBox> m_folderErrorBox;
};
