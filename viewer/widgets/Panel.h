#pragma once

#include <QImage>
#include <QList>
#include <QWidget>

class QGridLayout;

// The collapsible tool column: named groups of buttons standing two per row under full-width
// title buttons. Clicking a title folds or unfolds its group; only enabled buttons are ever
// shown.
class Panel : public QWidget {
    Q_OBJECT

public:
    explicit Panel(QWidget *parent = nullptr);

    // Starts a new group under a title button showing the given caption.
    void addGroup(const QString &title);
    // Adds a button to the current group, in the next free cell.
    void addButton(QWidget *button);
    // Closes the panel: pushes all entries to the top. Called once, after the last button.
    void addStretch();
    // Shows exactly the enabled entries (titles included).
    void updateButtons();

public slots:
    void toggleGroup();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QImage m_top;
    QImage m_stretchedMiddle;
    QImage m_middle;
    QImage m_bottom;
    QGridLayout *m_grid;
    int m_row = 0;
    int m_column = 0;
    QList<QWidget *> m_entries;
    QList<int> m_titlePositions;
};
