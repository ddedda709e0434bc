// The About box: version, description, notices, and a picture that opens the product page.
#pragma once

#include <QDialog>
#include <QUrl>
#include <functional>

class QLabel;

class FormAbout final : public QDialog
{
    Q_OBJECT
  public:
    using UrlOpener = std::function<void(const QUrl&)>;

    // openUrl defaults to the desktop's browser; tests hand in their own.
    explicit FormAbout(const QString& languageIndex, QWidget* parent = nullptr,
                       UrlOpener openUrl = {});

    // The product page on the vendor's server.
    static QUrl ProductPage();

    // Opens the product page (what a click on the picture does).
    void Image1_Click();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Form_Load();
    void ApplyCaptions();

    QString m_languageIndex;
    UrlOpener m_openUrl;
    QLabel* m_image1 = nullptr;
    QLabel* m_labels[6] = {};
};
