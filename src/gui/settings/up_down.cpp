#include "settings/up_down.h"

#include "settings/dns_input.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace nomispot {

namespace {

QToolButton* makeArrow(Qt::ArrowType arrow, const QString& name, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setArrowType(arrow);
    button->setAutoRepeat(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    return button;
}

} // namespace

UpDown::UpDown(QLineEdit* buddy, int minimum, int maximum, QWidget* parent)
    : QWidget(parent), m_buddy(buddy), m_up(makeArrow(Qt::UpArrow, QStringLiteral("up"), this)),
      m_down(makeArrow(Qt::DownArrow, QStringLiteral("down"), this)), m_minimum(minimum),
      m_maximum(maximum), m_value(minimum) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_up);
    layout->addWidget(m_down);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);

    connect(m_up, &QToolButton::clicked, this, &UpDown::stepUp);
    connect(m_down, &QToolButton::clicked, this, &UpDown::stepDown);
    connect(m_buddy, &QLineEdit::textChanged, this, &UpDown::follow);
    follow(m_buddy->text());
    m_buddy->installEventFilter(this);
}

bool UpDown::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_buddy && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            stepBy(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void UpDown::follow(const QString& text) {
    if (const std::optional<double> typed = numericValue(text))
        m_value = static_cast<int>(
            std::clamp(roundHalfEven(*typed), double(m_minimum), double(m_maximum)));
}

void UpDown::stepBy(int steps) {
    m_value = std::clamp(m_value + steps, m_minimum, m_maximum);
    m_buddy->setText(QString::number(m_value));
}

} // namespace nomispot
