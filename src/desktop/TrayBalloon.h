// The message beside the tray icon where no notification server answers. Qt's own balloon
// builds labels, buttons and a grid layout, loads the bold system face and masks a drawn pixmap
// for four lines of text: half a megabyte for a greeting. This one paints itself.
#pragma once

#include <QPixmap>
#include <QTimer>
#include <QWidget>

class TrayBalloon final : public QWidget
{
    Q_OBJECT
  public:
    TrayBalloon();

    // Shows the message beside the icon, on the side of it with more room on `screen`; replaces
    // one that is shown. Closed, and deleted, after timeoutMs or a click.
    void Show(const QString& title, const QString& text, const QPixmap& picture, const QRect& icon,
              const QRect& screen, int timeoutMs);

    // Where a balloon of `size` lies beside `icon` on `screen`.
    static QRect BodyFor(QSize size, const QRect& icon, const QRect& screen);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    QString m_title;
    QString m_text;
    QPixmap m_picture;
    QRect m_textArea;
    QTimer m_timeout;
};
