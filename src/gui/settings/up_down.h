#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace nomispot {

// Up and down arrows bound to a text box: each click raises or lowers the number in the box by
// one, within the range, and writes it back. The Up and Down keys in the box do the same.
class UpDown : public QWidget {
    Q_OBJECT
public:
    UpDown(QLineEdit* buddy, int minimum, int maximum, QWidget* parent = nullptr);

    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }
    QLineEdit* buddy() const { return m_buddy; }

    void stepUp() { stepBy(1); }
    void stepDown() { stepBy(-1); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Keeps the arrows at the number in the box, brought into range.
    void follow(const QString& text);
    void stepBy(int steps);

    QLineEdit* m_buddy;
    QToolButton* m_up;
    QToolButton* m_down;
    int m_minimum;
    int m_maximum;
    int m_value; // the last number the box held; the arrows start from it
};

} // namespace nomispot
