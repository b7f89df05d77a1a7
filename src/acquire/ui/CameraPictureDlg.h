#pragma once
// The picture choice of a camera: its pictures as a grid of thumbnails, one
// to be chosen. The thumbnails are read one at a time while the window is
// shown, so that it answers at once even for a camera full of pictures.

#include "acquire/GphotoCamera.h"
#include "acquire/ui/AcquireChoiceDlg.h"

#include <QBasicTimer>

#include <memory>
#include <vector>

class QLabel;
class QListWidget;

class CCameraPictureDlg : public CAcquireChoiceDlg {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 20702;
    static constexpr int kThumbnailSide = 96;

    // Takes the open camera for its thumbnails.
    CCameraPictureDlg(std::unique_ptr<GphotoCamera> camera, std::vector<CameraItem> items, QWidget* parent = nullptr);
    ~CCameraPictureDlg() override;

    QListWidget* Grid() const { return m_pGrid; }
    const CameraItem& Chosen() const { return m_items[size_t(m_nChosen)]; }
    // Reads the next missing thumbnail; false when all are read.
    bool LoadNextThumbnail();

public slots:
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    std::unique_ptr<GphotoCamera> m_camera;
    std::vector<CameraItem> m_items;
    QListWidget* m_pGrid = nullptr;
    QLabel* m_pEmpty = nullptr;
    QBasicTimer m_thumbnails;
    size_t m_nNextThumbnail = 0;
    int m_nChosen = 0;
};
