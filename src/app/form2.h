#pragma once

#include <QDialog>

#include <array>

class QLineEdit;
class QPushButton;
class QVBoxLayout;

// The about window: the icon, the version, the notice and thanks lines, and
// the project's addresses in two read-only fields that select their whole
// text when they take the focus. Opens centred over the main window, above
// all others, until "OK" closes it. Its design size is the least it takes:
// it grows where a text needs more room.
class Form2 : public QDialog {
    Q_OBJECT
public:
    // Client size in twips.
    static constexpr int kClientWidth = 3375;
    static constexpr int kClientHeight = 2970;

    explicit Form2(QWidget* owner);

    void Form_Load();
    // One more line of text under the thanks line; the window grows to hold
    // it whole, as it does for every text it shows.
    void addLine(const QString& text);
    void Command1_Click();
    void Text1_GotFocus(int index);

    QLineEdit* Text1(int index) const { return text1_.at(static_cast<size_t>(index)); }
    QPushButton* Command1() const { return command1_; }

    // Outer size in twips, frame included.
    int Width() const;
    int Height() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fitToTexts();

    QVBoxLayout* lines_ = nullptr;
    std::array<QLineEdit*, 2> text1_{};
    QPushButton* command1_;
    double tppX_;
    double tppY_;
};
