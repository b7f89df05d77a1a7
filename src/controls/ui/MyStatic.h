#pragma once
// Picture labels and group frames of the skin.

#include <QImage>
#include <QWidget>

// A picture in a rounded outline framed 2 pixels wide.
class CMyStatic : public QWidget {
    Q_OBJECT
public:
    explicit CMyStatic(int id, QWidget* parent = nullptr);

    int GetDlgCtrlID() const { return m_nId; }
    // The picture at its own size; the label takes that size.
    bool SetPictureResource(int resourceId);
    bool SetPicture(const QImage& picture);
    // The picture scaled to fit width x height with its aspect ratio kept,
    // centred on the colour of its top-left pixel; the label takes that size.
    bool SetPictureFitted(int resourceId, int width, int height);
    bool SetPictureFitted(const QImage& picture, int width, int height);
    void ClearPicture();

    const QImage& Picture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void TakePicture(QImage picture);

    int m_nId;
    QImage m_picture;
};

// The picture of `picture` fitted into width x height as CMyStatic shows it.
QImage FitPictureCentred(const QImage& picture, int width, int height);

// A group frame: caption 6 pixels from the left, etched frame whose top edge
// runs through the caption's middle and breaks under it.
class CMyGroupBox : public QWidget {
    Q_OBJECT
public:
    explicit CMyGroupBox(const QString& caption, QWidget* parent = nullptr);

    void SetWindowText(const QString& caption);
    QString GetWindowText() const { return m_strCaption; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_strCaption;
};
