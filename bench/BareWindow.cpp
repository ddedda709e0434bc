// A bare Qt window of Verbalto's shape (two text boxes, two lists of 59, a tray icon), the
// yardstick of scripts/measure-idle and start-up measurements. Its close box hides it into the
// tray like Verbalto's.
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QSystemTrayIcon>
#include <QVBoxLayout>
#include <QWidget>

namespace {

class BareWindow final : public QWidget
{
  public:
    BareWindow()
    {
        auto* layout = new QVBoxLayout(this);
        for (int list = 0; list < 2; ++list) {
            auto* combo = new QComboBox(this);
            for (int i = 0; i < 59; ++i)
                combo->addItem(QStringLiteral("Language %1").arg(i));
            layout->addWidget(combo);
        }
        layout->addWidget(new QPlainTextEdit(this));
        layout->addWidget(new QPlainTextEdit(this));
        resize(640, 480);

        QPixmap icon(16, 16);
        icon.fill(QColor(30, 178, 239));
        m_tray.setIcon(QIcon(icon));
        m_tray.setToolTip(windowTitle());
        QObject::connect(&m_tray, &QSystemTrayIcon::activated, this, [this] { show(); });
        m_tray.show();
    }

  protected:
    void closeEvent(QCloseEvent* event) override
    {
        if (!m_tray.isVisible())
            return;
        event->ignore();
        hide();
    }

  private:
    QSystemTrayIcon m_tray;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    BareWindow window;
    window.setWindowTitle(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("Bare"));
    window.show();
    return app.exec();
}
