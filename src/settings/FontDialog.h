// The dialog of the Font command: family, style, a size from 8 to 72 points in half points,
// underline, strikeout and colour, with a sample.
#pragma once

#include "FontRecord.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;

class FontDialog final : public QDialog
{
    Q_OBJECT

  public:
    explicit FontDialog(const FontRecord& initial, QWidget* parent = nullptr);

    // What the dialog shows now. The typed size is read here, limited to 8-72 and rounded to
    // half points; a size that cannot be read keeps the initial one.
    FontRecord record() const;

    QLineEdit* familyEdit() const { return m_familyEdit; }
    QListWidget* familyList() const { return m_familyList; }
    QListWidget* styleList() const { return m_styleList; }
    QLineEdit* styleEdit() const { return m_styleEdit; }
    QLineEdit* sizeEdit() const { return m_sizeEdit; }
    QListWidget* sizeList() const { return m_sizeList; }
    QCheckBox* underlineBox() const { return m_underline; }
    QCheckBox* strikeoutBox() const { return m_strikeout; }
    QComboBox* colourBox() const { return m_colour; }
    QLabel* sample() const { return m_sample; }

  private:
    void familyTyped(const QString& text);
    void familyChosen();
    void fillStyles();
    void styleChosen();
    void showStyle();
    void sizeTyped(const QString& text);
    void selectColour(quint32 bgr);
    void updateSample();
    // The family, weight and italic flag of the current choice, without size or effects.
    FontRecord styleRecord() const;

    FontRecord m_initial;
    // The style the user asked for; each family offers its nearest, so typing through other
    // families on the way does not lose it.
    FontRecord m_wanted;
    QLineEdit* m_familyEdit = nullptr;
    QListWidget* m_familyList = nullptr;
    QListWidget* m_styleList = nullptr;
    QLineEdit* m_styleEdit = nullptr;
    QLineEdit* m_sizeEdit = nullptr;
    QListWidget* m_sizeList = nullptr;
    QCheckBox* m_underline = nullptr;
    QCheckBox* m_strikeout = nullptr;
    QComboBox* m_colour = nullptr;
    QLabel* m_sample = nullptr;
};
