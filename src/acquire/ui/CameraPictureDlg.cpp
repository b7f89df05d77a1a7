#include "acquire/ui/CameraPictureDlg.h"

#include "acquire/ui/AcquireStrings.h"
#include "controls/ui/MyButton.h"
#include "res/OutsideText.h"
#include "res/StringTable.h"

#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QTimerEvent>

namespace {

// The grey square shown until an item's thumbnail is read.
QIcon Placeholder(int side)
{
    QPixmap pixmap(side, side);
    pixmap.fill(QColor(0xE0, 0xE0, 0xE0));
    return QIcon(pixmap);
}

// A thumbnail centred on a square, so that the grid's cells line up.
QIcon SquareIcon(const QImage& thumbnail, int side)
{
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::white);
    QPainter p(&pixmap);
    p.drawImage((side - thumbnail.width()) / 2, (side - thumbnail.height()) / 2, thumbnail);
    return QIcon(pixmap);
}

}  // namespace

CCameraPictureDlg::CCameraPictureDlg(std::unique_ptr<GphotoCamera> camera, std::vector<CameraItem> items,
                                     QWidget* parent)
        : CAcquireChoiceDlg(kTemplateId, AcquireCap::TitleChoosePicture, parent), m_camera(std::move(camera)),
          m_items(std::move(items))
{
    m_pGrid = new QListWidget(this);
    m_pGrid->setViewMode(QListView::IconMode);
    m_pGrid->setIconSize(QSize(kThumbnailSide, kThumbnailSide));
    m_pGrid->setGridSize(QSize(kThumbnailSide + 28, kThumbnailSide + 36));
    m_pGrid->setResizeMode(QListView::Adjust);
    m_pGrid->setMovement(QListView::Static);
    m_pGrid->setWordWrap(true);
    m_pGrid->setGeometry(16, 16, 592, 416);
    const QIcon placeholder = Placeholder(kThumbnailSide);
    for (const CameraItem& item : m_items) {
        auto* cell = new QListWidgetItem(placeholder, ShownBytes(item.name), m_pGrid);
        cell->setToolTip(ShownBytes(item.Path()));
    }
    m_pGrid->setCurrentRow(0);
    connect(m_pGrid, &QListWidget::itemDoubleClicked, this, &CCameraPictureDlg::accept);

    m_pEmpty = new QLabel(AppCaption(AcquireCap::NoPictures), this);
    m_pEmpty->setGeometry(32, 32, 520, 24);
    m_pEmpty->setVisible(m_items.empty());
    PlaceButtons(624, 16, AppCaption(CapId::Ok));
    OkButton()->setEnabled(!m_items.empty());
    resize(704, 448);  // whole background tiles
}

CCameraPictureDlg::~CCameraPictureDlg() = default;

bool CCameraPictureDlg::LoadNextThumbnail()
{
    if (!m_camera || m_nNextThumbnail >= m_items.size())
        return false;
    const size_t index = m_nNextThumbnail++;
    const QImage thumbnail = m_camera->Thumbnail(m_items[index], kThumbnailSide);
    if (!thumbnail.isNull())
        m_pGrid->item(int(index))->setIcon(SquareIcon(thumbnail, kThumbnailSide));
    return m_nNextThumbnail < m_items.size();
}

void CCameraPictureDlg::showEvent(QShowEvent* event)
{
    CAcquireChoiceDlg::showEvent(event);
    if (m_nNextThumbnail < m_items.size())
        m_thumbnails.start(0, this);
}

void CCameraPictureDlg::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != m_thumbnails.timerId()) {
        CAcquireChoiceDlg::timerEvent(event);
        return;
    }
    if (!LoadNextThumbnail())
        m_thumbnails.stop();
}

void CCameraPictureDlg::accept()
{
    const int row = m_pGrid->currentRow();
    if (row < 0 || row >= int(m_items.size()))
        return;
    m_nChosen = row;
    m_thumbnails.stop();
    CAcquireChoiceDlg::accept();
}
