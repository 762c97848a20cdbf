#pragma once

#include <QWidget>

class QCheckBox;
class QListWidget;
class QProgressBar;
class QPushButton;
class ScanController;

// The document being scanned, for the Live page: the pages' thumbnails in order, with commands
// to delete and move the chosen page, save the document as a PDF or discard it, copy the chosen
// page's text, turn auto capture on and off, and the progress of text recognition.
class ScanStrip : public QWidget {
    Q_OBJECT

public:
    explicit ScanStrip(ScanController *controller, QWidget *parent = nullptr);

    // The thumbnail list (for the window's layout and for tests).
    QListWidget *pages() const { return m_pages; }

signals:
    // "Save as PDF" was pressed; the window passes its snapshot folder to the controller.
    void savePdfRequested();

private:
    void rebuild();
    void updateButtons();
    int selected() const;

    ScanController *m_controller;
    QListWidget *m_pages;
    QPushButton *m_left;
    QPushButton *m_right;
    QPushButton *m_delete;
    QPushButton *m_save;
    QPushButton *m_copy;
    QPushButton *m_discard;
    QCheckBox *m_auto;
    QProgressBar *m_progress;
};
