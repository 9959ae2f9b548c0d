#pragma once

#include "Label.h"

#include <QObject>
#include <QPointer>

#include <string>

class RMMapView;

// The credit a map owes its tile source ("© OpenStreetMap contributors"),
// in the bottom-right corner of a map view, above the map's layers and
// outside the overlay, so taps never hit it. It follows the view's size.
// Either may be destroyed first. Main thread only.
class RMAttributionLabel : public QObject {
public:
    // The credit the OpenStreetMap tile usage policy asks for.
    static constexpr const char* kOpenStreetMap = "© OpenStreetMap contributors";

    RMAttributionLabel(RMMapView& view, const std::string& text);
    ~RMAttributionLabel() override;

    const platform::Label& label() const { return label_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void place();

    QPointer<RMMapView> view_;
    platform::Label label_;
};
