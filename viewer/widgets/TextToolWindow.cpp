#include "TextToolWindow.h"

#include "IToolHost.h"
#include "ImageButton.h"
#include "ImageCanvas.h"
#include "ToolStyles.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QLabel>

TextToolWindow::TextToolWindow(QWidget *ownerButton, IToolHost *host)
    : ToolWindow(QImage(QStringLiteral(":/icons/Background/POP_BK_COLOR_2LINE")), ownerButton, host,
                 tr("Text")),
      m_faceBox(new QComboBox(this)), m_sizeBox(new QComboBox(this))
{
    auto *colorLabel = new QLabel(tr("Color"), this);
    colorLabel->setStyleSheet(QStringLiteral("font-family: Arial; font-size: 15px; color: white;"));
    colorLabel->move(8, 45);

    const QList<ImageButton *> row = addChoiceRow(
        ToolStyles::swatchIcons(QStringLiteral("ICON_LINE_COLOR_"), ToolStyles::kColorCount),
        ToolStyles::swatchTitles(ToolStyles::kColorCount), 110, 43, 33);
    for (int k = 0; k < int(m_colorButtons.size()); ++k) {
        m_colorButtons[k] = row[k];
        connect(row[k], &ImageButton::clicked, this, &TextToolWindow::colorChanged);
    }

    m_faces = QFontDatabase::families();
    m_faceBox->addItems(m_faces);
    m_faceBox->move(10, 20);
    m_faceBox->setFixedWidth(150);
    connect(m_faceBox, &QComboBox::activated, this, &TextToolWindow::fontFaceChanged);

    m_sizes = QFontDatabase::standardSizes();
    for (int size : std::as_const(m_sizes)) {
        m_sizeBox->addItem(QString::number(size));
    }
    m_sizeBox->move(165, 20);
    m_sizeBox->setFixedWidth(70);
    connect(m_sizeBox, &QComboBox::activated, this, &TextToolWindow::fontSizeChanged);

    connect(host->hostWindow(), SIGNAL(modeChanged()), this, SLOT(modeChanged()));
    modeChanged();
}

void TextToolWindow::modeChanged()
{
    const ImageCanvas *canvas = host()->currentCanvas();
    if (canvas == nullptr) {
        return;
    }
    checkButton(m_colorButtons, ToolStyles::firstColorIndex(canvas->textColor()));
    const qsizetype face = m_faces.indexOf(canvas->fontFamily());
    if (face >= 0) {
        m_faceBox->setCurrentIndex(int(face));
    }
    const qsizetype size = m_sizes.indexOf(canvas->fontSize());
    if (size >= 0) {
        m_sizeBox->setCurrentIndex(int(size));
    }
}

void TextToolWindow::colorChanged()
{
    const int k = senderIndex(m_colorButtons);
    if (k >= 0) {
        host()->currentCanvas()->setTextColor(ToolStyles::color(k));
    }
}

void TextToolWindow::fontFaceChanged()
{
    host()->currentCanvas()->setFontFamily(m_faceBox->currentText());
}

void TextToolWindow::fontSizeChanged()
{
    bool ok = false;
    const int size = m_sizeBox->currentText().toInt(&ok);
    if (ok) {
        host()->currentCanvas()->setFontSize(size);
    }
}
