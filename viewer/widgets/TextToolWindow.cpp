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
      faceBox_(new QComboBox(this)), sizeBox_(new QComboBox(this))
{
    auto *colorLabel = new QLabel(tr("Color"), this);
    colorLabel->setStyleSheet(QStringLiteral("font-family: Arial; font-size: 15px; color: white;"));
    colorLabel->move(8, 45);

    QStringList icons;
    for (int k = 0; k < ToolStyles::colorCount; ++k) {
        icons.append(QStringLiteral("ICON_LINE_COLOR_") + ToolStyles::colorName(k));
    }
    const QList<ImageButton *> row = addChoiceRow(icons, 110, 43, 33);
    for (int k = 0; k < int(colorButtons_.size()); ++k) {
        colorButtons_[k] = row[k];
        connect(row[k], &ImageButton::clicked, this, &TextToolWindow::colorChanged);
    }

    faces_ = QFontDatabase::families();
    faceBox_->addItems(faces_);
    faceBox_->move(10, 20);
    faceBox_->setFixedWidth(150);
    connect(faceBox_, &QComboBox::activated, this, &TextToolWindow::fontFaceChanged);

    sizes_ = QFontDatabase::standardSizes();
    for (int size : std::as_const(sizes_)) {
        sizeBox_->addItem(QString::number(size));
    }
    sizeBox_->move(165, 20);
    sizeBox_->setFixedWidth(70);
    connect(sizeBox_, &QComboBox::activated, this, &TextToolWindow::fontSizeChanged);

    connect(host->hostWindow(), SIGNAL(modeChanged()), this, SLOT(modeChanged()));
    modeChanged();
}

void TextToolWindow::modeChanged()
{
    const ImageCanvas *canvas = host()->currentCanvas();
    if (canvas == nullptr) {
        return;
    }
    checkButton(colorButtons_, ToolStyles::firstColorIndex(canvas->textColor()));
    const qsizetype face = faces_.indexOf(canvas->fontFamily());
    if (face >= 0) {
        faceBox_->setCurrentIndex(int(face));
    }
    const qsizetype size = sizes_.indexOf(canvas->fontSize());
    if (size >= 0) {
        sizeBox_->setCurrentIndex(int(size));
    }
}

void TextToolWindow::colorChanged()
{
    const int k = senderIndex(colorButtons_);
    if (k >= 0) {
        host()->currentCanvas()->setTextColor(ToolStyles::color(k));
    }
}

void TextToolWindow::fontFaceChanged()
{
    host()->currentCanvas()->setFontFamily(faceBox_->currentText());
}

void TextToolWindow::fontSizeChanged()
{
    bool ok = false;
    const int size = sizeBox_->currentText().toInt(&ok);
    if (ok) {
        host()->currentCanvas()->setFontSize(size);
    }
}
