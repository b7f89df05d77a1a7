#pragma once
// Files dropped on a window: a local file is taken when `accepts` says so
// at the time, and handed on (fileDropped) once the drop has finished, so
// that the questions and the loading that follow do not keep the program the
// file came from waiting for its answer.

#include <QObject>
#include <QString>

#include <functional>

class QWidget;

class CDropOpener : public QObject {
    Q_OBJECT
public:
    CDropOpener(QWidget& window, std::function<bool()> accepts);

signals:
    void fileDropped(const QString& path);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& m_window;
    std::function<bool()> m_accepts;
};
