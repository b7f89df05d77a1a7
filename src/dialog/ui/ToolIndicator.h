#pragma once
// The active-tool indicator (Cmd::Indicator): the tool's picture at 93 x 93 and
// the text "current tool: <name>" beside it.

#include <QWidget>

class CMyStatic;

class CToolIndicator : public QWidget {
    Q_OBJECT
public:
    explicit CToolIndicator(QWidget* parent = nullptr);

    // The tool's picture (an Art identifier) and its name; 0 and empty for none.
    void SetTool(int bitmapId, const QString& name);
    QString Text() const { return m_strText; }
    int BitmapId() const { return m_nBitmapId; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CMyStatic* m_pPicture;
    QString m_strText;
    int m_nBitmapId = 0;
};
