#include "BasicAnimation.h"
#include "MediaTimingFunction.h"

#include <gtest/gtest.h>

#include <optional>

using platform::BasicAnimation;
using platform::MediaTimingFunction;
using platform::Transform3D;
using Name = MediaTimingFunction::Name;

TEST(MediaTimingFunction, NamedCurvesHaveTheirShape)
{
    struct Case {
        Name name;
        double at;
        double low;
        double high;
    };
    // Reference values of the cubic Bézier curves, to three decimals.
    const Case cases[] = {
        { Name::Linear, 0.3, 0.3, 0.3 },
        { Name::EaseOut, 0.5, 0.684, 0.685 },
        { Name::EaseOut, 0.25, 0.378, 0.379 },
        { Name::EaseIn, 0.5, 0.315, 0.316 },
        { Name::EaseInEaseOut, 0.5, 0.5, 0.5 },
        { Name::EaseInEaseOut, 0.25, 0.129, 0.130 },
        { Name::Default, 0.5, 0.802, 0.803 },
    };
    for (const Case& c : cases) {
        const double value = MediaTimingFunction::functionWithName(c.name).valueAt(c.at);
        EXPECT_GE(value, c.low - 5e-4) << static_cast<int>(c.name) << " at " << c.at;
        EXPECT_LE(value, c.high + 5e-4) << static_cast<int>(c.name) << " at " << c.at;
    }
}

TEST(MediaTimingFunction, StartsAtZeroEndsAtOneAndNeverGoesBack)
{
    for (Name name : { Name::Linear, Name::EaseIn, Name::EaseOut, Name::EaseInEaseOut, Name::Default }) {
        const auto curve = MediaTimingFunction::functionWithName(name);
        EXPECT_NEAR(curve.valueAt(0), 0, 1e-6);
        EXPECT_NEAR(curve.valueAt(1), 1, 1e-6);
        EXPECT_NEAR(curve.valueAt(-3), 0, 1e-6);
        EXPECT_NEAR(curve.valueAt(7), 1, 1e-6);
        double previous = 0;
        for (int i = 1; i <= 100; ++i) {
            const double value = curve.valueAt(i / 100.0);
            EXPECT_GE(value, previous - 1e-9) << static_cast<int>(name) << " at " << i;
            previous = value;
        }
    }
}

TEST(BasicAnimation, DurationsAndRepetitions)
{
    struct Case {
        double duration;
        float repeatCount;
        bool autoreverses;
        double active;
    };
    const Case cases[] = {
        { 1.0, 2.0f, true, 4.0 }, // the marker pulse
        { 0.5, 1.0f, true, 1.0 }, // the button pulse
        { 1.0, 0.0f, false, 1.0 }, { 2.0, 1.5f, false, 3.0 },
        { 0.0, 0.0f, false, 0.25 }, // the platform's default duration
    };
    for (const Case& c : cases) {
        BasicAnimation animation("transform");
        animation.setDuration(c.duration);
        animation.setRepeatCount(c.repeatCount);
        animation.setAutoreverses(c.autoreverses);
        EXPECT_DOUBLE_EQ(animation.activeDuration(), c.active);
    }
}

TEST(BasicAnimation, ValuesAlongTheWay)
{
    BasicAnimation animation("transform");
    animation.setFromValue(Transform3D::makeScale(1, 1, 1));
    animation.setToValue(Transform3D::makeScale(3, 2, 1));
    animation.setDuration(2);
    animation.setRepeatCount(1.5f);
    struct Case {
        double elapsed;
        std::optional<float> scaleX;
    };
    const Case cases[] = {
        { -0.1, std::nullopt }, { 0, 1.0f }, { 1, 2.0f }, { 1.999, 2.999f },
        { 2, 1.0f }, // the repetition starts over
        { 2.5, 1.5f }, { 3, std::nullopt }, // one and a half passes are over
    };
    for (const Case& c : cases) {
        const auto value = animation.valueAt(c.elapsed);
        ASSERT_EQ(value.has_value(), c.scaleX.has_value()) << c.elapsed;
        if (value) {
            EXPECT_NEAR(value->scaleX, *c.scaleX, 1e-4) << c.elapsed;
        }
    }
    EXPECT_NEAR(animation.valueAt(1)->scaleY, 1.5f, 1e-6);
}
