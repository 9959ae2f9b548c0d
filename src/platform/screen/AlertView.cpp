#include "AlertView.h"

#include "Window.h"

#include <QApplication>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QString>
#include <QVBoxLayout>

#include <algorithm>

namespace platform {

namespace {

std::vector<std::shared_ptr<AlertView>>& shownAlerts()
{
    static std::vector<std::shared_ptr<AlertView>> alerts;
    return alerts;
}

// Dims the window under the alert and keeps the box centred.
class AlertOverlay : public QWidget {
public:
    AlertOverlay(QWidget* window, QWidget* box)
        : QWidget(window)
        , box_(box)
    {
        box_->setParent(this);
        setAutoFillBackground(true);
        QPalette shade = palette();
        shade.setColor(QPalette::Window, QColor(0, 0, 0, 110));
        setPalette(shade);
        window->installEventFilter(this);
        fit();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == parent() && event->type() == QEvent::Resize)
            fit();
        return false;
    }

private:
    void fit()
    {
        setGeometry(parentWidget()->rect());
        const int width = std::min(280, std::max(120, this->width() - 40));
        box_->setFixedWidth(width);
        box_->adjustSize();
        box_->move((this->width() - box_->width()) / 2, (this->height() - box_->height()) / 2);
    }

    QWidget* box_;
};

} // namespace

std::shared_ptr<AlertView> AlertView::create(std::string title, std::string message,
    AlertViewDelegate* delegate, std::string cancelButtonTitle, std::vector<std::string> otherButtonTitles)
{
    otherButtonTitles.insert(otherButtonTitles.begin(), std::move(cancelButtonTitle));
    return std::shared_ptr<AlertView>(
        new AlertView(std::move(title), std::move(message), delegate, std::move(otherButtonTitles)));
}

AlertView::AlertView(std::string title, std::string message, AlertViewDelegate* delegate,
    std::vector<std::string> buttonTitles)
    : title_(std::move(title))
    , message_(std::move(message))
    , delegate_(delegate)
    , buttonTitles_(std::move(buttonTitles))
{ }

AlertView::~AlertView()
{
    delete panel_.data();
}

std::string AlertView::buttonTitleAtIndex(int index) const
{
    if (index < 0 || index >= numberOfButtons())
        return {};
    return buttonTitles_[static_cast<std::size_t>(index)];
}

QWidget* AlertView::makePanel()
{
    auto* box = new QFrame;
    box->setFrameShape(QFrame::StyledPanel);
    // Opaque whatever lies under it. The background is set explicitly: a palette's roles left as
    // they are would be inherited from the dimmed, translucent overlay the box goes into.
    QPalette opaque = QApplication::palette();
    opaque.setColor(QPalette::Window, opaque.color(QPalette::Window));
    box->setPalette(opaque);
    box->setAutoFillBackground(true);
    auto* column = new QVBoxLayout(box);
    auto* heading = new QLabel(QString::fromStdString(title_));
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    heading->setAlignment(Qt::AlignHCenter);
    heading->setWordWrap(true);
    column->addWidget(heading);
    auto* text = new QLabel(QString::fromStdString(message_));
    text->setAlignment(Qt::AlignHCenter);
    text->setWordWrap(true);
    column->addWidget(text);
    auto* row = new QHBoxLayout;
    for (int index = 0; index < numberOfButtons(); ++index) {
        auto* button = new QPushButton(QString::fromStdString(buttonTitleAtIndex(index)));
        // The weak reference lets a button outlive nothing it should not.
        QObject::connect(button, &QPushButton::clicked, [weak = weak_from_this(), index] {
            if (const auto alert = weak.lock())
                alert->clickButtonAtIndex(index);
        });
        row->addWidget(button);
        if (index == numberOfButtons() - 1)
            button->setDefault(true);
    }
    column->addLayout(row);
    if (Window* window = Window::keyWindow())
        return new AlertOverlay(window, box);
    box->setWindowTitle(QString::fromStdString(title_));
    return box;
}

void AlertView::show()
{
    if (isVisible())
        return;
    panel_ = makePanel();
    panel_->show();
    panel_->raise();
    shownAlerts().push_back(shared_from_this());
}

bool AlertView::isVisible() const
{
    return !panel_.isNull();
}

void AlertView::clickButtonAtIndex(int index)
{
    if (!isVisible() || index < 0 || index >= numberOfButtons())
        return;
    const std::shared_ptr<AlertView> keep = shared_from_this();
    dismiss();
    if (delegate_)
        delegate_->alertViewClickedButtonAtIndex(*this, index);
}

void AlertView::dismiss()
{
    if (!panel_)
        return;
    // The button that was clicked lives in the panel: let Qt finish with it.
    panel_->hide();
    panel_->deleteLater();
    panel_ = nullptr;
    auto& alerts = shownAlerts();
    alerts.erase(std::remove(alerts.begin(), alerts.end(), shared_from_this()), alerts.end());
}

std::vector<std::shared_ptr<AlertView>> AlertView::visibleAlerts()
{
    return shownAlerts();
}

void AlertView::dismissAll()
{
    for (const auto& alert : visibleAlerts())
        alert->dismiss();
}

} // namespace platform
