#include "GameFixture.h"

#include "Application.h"
#include "Button.h"
#include "CalloutView.h"
#include "PDColoredProgressView.h"
#include "RMMapContents.h"
#include "RMMarker.h"
#include "RMMarkerManager.h"
#include "RunLoop.h"
#include "TestImages.h"
#include "TrustedCertificates.h"

#include "PlayServer.h"

#include <QBuffer>
#include <QTcpServer>
#include <QTemporaryDir>

#include <algorithm>
#include <mutex>
#include <random>
#include <tuple>

namespace vantry::test {
namespace {

const char* const kFirstAnswer = R"({"O":[["k1",55.75,37.61,"ms"]],"S":3,"T":10,"L":0,"P":0,"t":0})";

std::string png(const QColor& color)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    makeSolidImage(8, 12, color).save(&buffer, "PNG");
    return bytes.toStdString();
}

class ExchangeTest : public GameTest {
protected:
    ExchangeTest()
    {
        platform::TrustedCertificates::addAuthoritiesFromFile(play.authorityFile(), "127.0.0.1");
        protocol::GameServer::setPlayPort(play.port());
        tiles.respondWithBody("/img/ms.png", png(Qt::blue), "image/png");
        tiles.respondWithBody("/img/ma.png", png(Qt::green), "image/png");
        tiles.respondWithBody("/img/coin.png", png(Qt::yellow), "image/png");
    }

    ~ExchangeTest() override
    {
        // The play server stops before the base fixture lets go of the
        // connections kept for reuse, which would hold its workers.
        controller.reset();
        platform::NetworkAccess::manager().clearConnectionCache();
    }

    // The 3-second tick, and the answer if it sent a request.
    void tick()
    {
        clock.advance(3);
        ASSERT_TRUE(
            platform::RunLoop::runUntil([this] { return !controller->playExchange().isInFlight(); }, 20));
    }

    // The located points of the last request, as the body wrote them.
    std::string lastPoints() const
    {
        const auto bodies = play.bodies();
        if (bodies.empty())
            return "";
        const std::string prefix = "data=[\"test-player\",";
        const std::string& body = bodies.back();
        return body.starts_with(prefix) ? body.substr(prefix.size(), body.size() - prefix.size() - 1) : body;
    }

    std::shared_ptr<RMMarker> marker(const std::string& id) const
    {
        const auto found = state().markers.find(id);
        return found == state().markers.end() ? nullptr : found->second;
    }

    RMLatLong placeOf(const std::shared_ptr<RMMarker>& marker) const
    {
        return controller->mapView()->markerManager().latitudeLongitudeForMarker(*marker);
    }

    std::vector<std::string> tipTitles() const
    {
        std::vector<std::string> titles;
        if (state().tips) {
            for (const auto& tip : *state().tips)
                titles.push_back(tip ? tip->title() : "");
        }
        return titles;
    }

    QTemporaryDir folder;
    PlayServer play { folder.path().toStdString() };
};

TEST_F(ExchangeTest, FailedPointsGoAgainBeforeNewOnes)
{
    load();
    fix(10, 20, 5); // A
    fix(10.5, 20, 5); // B
    play.queueAnswer("<h1>502 Bad Gateway</h1>", 502);
    tick();
    EXPECT_EQ(play.bodies().at(0), R"(data=["test-player",[[10,20],[10.5,20]]])");
    EXPECT_EQ(state().locatedPointsToSend.size(), 2u) << "an error page is no answer: the points stay";
    EXPECT_EQ(state().currentScore, -1);
    EXPECT_EQ(alertsTitled("Game Server Unavailable").size(), 1u)
        << "the server's failure, not the network's";
    EXPECT_TRUE(alertsTitled("No Internet Connection").empty());
    EXPECT_TRUE(logged("Play request failed: the game server answered with HTTP status 502"));

    fix(11, 20, 5); // C
    play.queueAnswer("<h1>502 Bad Gateway</h1>", 502);
    tick();
    EXPECT_EQ(lastPoints(), "[[10,20],[10.5,20],[11,20]]");
    EXPECT_EQ(alertsTitled("Game Server Unavailable").size(), 1u) << "one warning on screen at a time";
}

// A player who stood still after a failure kept the warning and never sent the points again.
TEST_F(ExchangeTest, WithoutNewFixesFailedPointsGoAgainAfterPausesThatDoubleAndTheWarningLeavesWithTheAnswer)
{
    load();
    fix(10, 20, 5);
    for (int i = 0; i < 3; ++i)
        play.queueAnswer("<h1>503 Service Unavailable</h1>", 503);
    // The request of each tick (3 s apart) that found the pause over; the fourth is answered.
    const std::vector<std::size_t> requestsAfterTick = { 1, 2, 2, 3, 3, 3, 3, 4 };
    for (std::size_t i = 0; i < requestsAfterTick.size(); ++i) {
        tick();
        EXPECT_EQ(play.bodies().size(), requestsAfterTick[i]) << "tick " << i + 1;
    }
    EXPECT_EQ(lastPoints(), "[[10,20]]");
    EXPECT_TRUE(state().locatedPointsToSend.empty());
    EXPECT_TRUE(alertsTitled("Game Server Unavailable").empty());
}

TEST_F(ExchangeTest, ARequestCarriesAtMostTheServersShareOfPointsTheOldestFirst)
{
    load();
    {
        const std::lock_guard points(state().pointsLock);
        for (int i = 0; i < 10'500; ++i)
            state().locatedPoints.push_back(game::locatedPoint(10 + i * 1e-4, 20));
    }
    const auto pointsIn = [](const std::string& body) { return std::ranges::count(body, '[') - 2; };
    tick();
    ASSERT_EQ(play.bodies().size(), 1u);
    EXPECT_EQ(pointsIn(play.bodies()[0]), 10'000);
    EXPECT_TRUE(play.bodies()[0].starts_with(R"(data=["test-player",[[10,20],)"));
    EXPECT_EQ(state().locatedPointsToSend.size(), 500u);

    tick();
    ASSERT_EQ(play.bodies().size(), 2u) << "the rest goes at the next tick, without a new fix";
    EXPECT_EQ(pointsIn(play.bodies()[1]), 500);
    EXPECT_TRUE(state().locatedPointsToSend.empty());
}

// An endless answer took the game from 49 MB to 8 GB in 21 s; a trickle of a
// byte every 5 s held the one request in flight for good, nothing sent.
TEST_F(ExchangeTest, AnswersTooLargeOrTooSlowFailAndKeepThePoints)
{
    struct Case {
        const char* name;
        std::size_t bytes; // a write of an endless answer; 0: a whole answer of 5 MiB that compresses well
        std::chrono::milliseconds pause;
        double clockSeconds; // advanced while the answer flows
        const char* line;
    };
    const std::vector<Case> cases {
        { "endless", 64 * 1024, std::chrono::milliseconds(0), 0,
            "Play request failed: The answer is larger than 4194304 bytes." },
        { "trickling", 1, std::chrono::milliseconds(20), 31,
            "Play request failed: The answer took longer than 30 seconds." },
        // Regression: compressed on the way, it arrived cut at 4 MiB and passed for a whole answer.
        { "compressible", 0, std::chrono::milliseconds(0), 0,
            "Play request failed: The answer is larger than 4194304 bytes." },
    };
    load();
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        fix(10 + static_cast<double>(i), 20, 5);
        if (c.bytes > 0)
            play.queueEndlessAnswer(c.bytes, c.pause);
        else
            play.queueAnswer(std::string(5 * 1024 * 1024, 'a'));
        clock.advance(3);
        ASSERT_TRUE(platform::RunLoop::runUntil([&] { return play.bodies().size() == i + 1; }, 20)) << c.name;
        for (int second = 0; second < c.clockSeconds; ++second) {
            platform::RunLoop::runUntil([] { return false; }, 0.01);
            clock.advance(1);
        }
        ASSERT_TRUE(
            platform::RunLoop::runUntil([this] { return !controller->playExchange().isInFlight(); }, 20))
            << c.name;
        EXPECT_EQ(state().locatedPointsToSend.size(), i + 1) << c.name;
        EXPECT_EQ(state().currentScore, -1) << c.name;
        EXPECT_EQ(alertsTitled("Game Server Unavailable").size(), 1u) << c.name;
        EXPECT_TRUE(logged(c.line)) << c.name;
        log.take();
    }
}

TEST_F(ExchangeTest, PointsLocatedInFlightGoInTheNextRequest)
{
    load();
    play.hold();
    fix(10, 20, 5);
    clock.advance(3);
    ASSERT_TRUE(platform::RunLoop::runUntil([this] { return play.bodies().size() == 1; }, 20));
    fix(10.1, 20, 5);
    fix(10.2, 20, 5);
    fix(10.3, 20, 5);
    clock.advance(3);
    play.release();
    ASSERT_TRUE(platform::RunLoop::runUntil([this] { return !controller->playExchange().isInFlight(); }, 20));
    EXPECT_EQ(play.bodies().size(), 1u);
    tick();
    EXPECT_EQ(lastPoints(), "[[10.1,20],[10.2,20],[10.3,20]]");
}

// Regression: a batch the server refused was sent again for ever, growing,
// and the player was locked out with a warning that blamed the network.
TEST_F(ExchangeTest, ARefusedBatchGoesInHalvesAndWhatIsRefusedAgainIsDropped)
{
    load();
    for (int i = 1; i <= 5; ++i)
        fix(10 + i, 20, 5);
    const std::vector<std::tuple<int, std::string, std::size_t>> steps {
        { 400, "[[11,20],[12,20],[13,20],[14,20],[15,20]]", 5 },
        { 413, "[[11,20],[12,20],[13,20]]", 2 },
        { 200, "[[14,20],[15,20]]", 0 },
    };
    for (const auto& [status, points, left] : steps) {
        play.queueAnswer(R"({"S":1,"T":1})", status);
        tick();
        EXPECT_EQ(lastPoints(), points) << status;
        EXPECT_EQ(state().locatedPointsToSend.size(), left) << status;
    }
    EXPECT_TRUE(logged("The game server refused 3 points; dropped"));
    EXPECT_TRUE(alertsTitled("No Internet Connection").empty());
    EXPECT_TRUE(alertsTitled("Game Server Unavailable").empty());

    fix(16, 20, 5);
    play.queueAnswer("bad point", 400);
    tick();
    EXPECT_TRUE(state().locatedPointsToSend.empty()) << "a single point refused is dropped at once";
    EXPECT_TRUE(logged("The game server refused 1 point; dropped"));
}

TEST_F(ExchangeTest, FirstAnswerPlacesTheHeroAndSetsTheBoards)
{
    load();
    fix(55.75, 37.61, 5);
    play.queueAnswer(kFirstAnswer);
    tick();

    const auto hero = marker("k1");
    ASSERT_NE(hero, nullptr);
    EXPECT_EQ(state().vantryMarker, hero);
    EXPECT_EQ(hero->name(), "k1");
    EXPECT_TRUE(CGPointEqualToPoint(hero->anchorPoint(), CGPointMake(0.5f, 1.0f)));
    EXPECT_TRUE(CGSizeEqualToSize(hero->contents().size(), CGSizeMake(32, 44)))
        << "the program's own hero until the server's arrives";
    EXPECT_TRUE(platform::RunLoop::runUntil(
        [&] { return CGSizeEqualToSize(hero->contents().size(), CGSizeMake(8, 12)); }, 20));
    EXPECT_NEAR(placeOf(hero).latitude, 55.75, 1e-6);
    EXPECT_NE(hero->animationForKey("scaling"), nullptr);
    EXPECT_EQ(controller->scoreButton()->titleForState(platform::Button::Disabled), "3/10");
    EXPECT_EQ(controller->pelloryButton()->titleForState(platform::Button::Disabled), "0/0");
    EXPECT_TRUE(controller->pelloryButton()->isHidden());
    EXPECT_TRUE(controller->tempIndicator()->isHidden());
    EXPECT_EQ(platform::Application::shared().applicationIconBadgeNumber(), 0);
    EXPECT_FALSE(logged("Vibrate: no feedback service on this device")) << "the first answer only shows";
    EXPECT_EQ(tipTitles(), std::vector<std::string> { "Vantry, grab the coins!" });
    const CGPoint heroPoint = controller->mapView()->contents().latLongToPixel(placeOf(hero));
    EXPECT_TRUE(
        CGPointEqualToPoint(state().tips->front()->anchor(), CGPointMake(heroPoint.x, heroPoint.y - 40)));
    EXPECT_TRUE(logged("ParseDataFromServer Complete"));
}

// Regression: each picture was downloaded on the main thread, so a picture
// server that never answered froze the screen for a minute an answer.
TEST_F(ExchangeTest, PicturesNeverHoldTheAnswerBack)
{
    tiles.hold("/img/ms.png");
    tiles.respondWithStatus("/img/coin.png", 404);
    tiles.respondWithBody("/img/nobody.png", "not a picture", "image/png");
    const std::string answer = R"({"O":[["k1",55.75,37.61,"ms"],["c1",55.751,37.61,"coin"],)"
                               R"(["n1",55.752,37.61,"nobody"]],"S":0,"T":1})";
    load();
    fix(55.75, 37.61, 5);
    play.queueAnswer(answer);
    tick();
    ASSERT_EQ(state().markers.size(), 3u) << "the answer is applied at once";
    const std::vector<std::pair<std::string, CGSize>> standIns { { "k1", CGSizeMake(32, 44) },
        { "c1", CGSizeMake(28, 32) }, { "n1", CGSizeMake(25, 25) } };
    for (const auto& [id, size] : standIns)
        EXPECT_TRUE(CGSizeEqualToSize(marker(id)->contents().size(), size)) << id;
    ASSERT_TRUE(platform::RunLoop::runUntil(
        [this] {
            return tiles.requestCount("/img/coin.png") == 1 && tiles.requestCount("/img/nobody.png") == 1
                && tiles.waitingCount("/img/ms.png") == 1;
        },
        20));

    // 3 s later, within the 5 s pause after a failure, nothing is fetched again; 9 s later the failed
    // ones are (whenever their failure came in the 3 s before), never the one still on its way.
    for (int i = 1; i <= 2; ++i) {
        clock.advance(i == 2 ? 3 : 0);
        fix(55.75 + i * 0.0001, 37.61, 5);
        play.queueAnswer(answer);
        tick();
    }
    EXPECT_TRUE(platform::RunLoop::runUntil(
        [this] {
            return tiles.requestCount("/img/coin.png") >= 2 && tiles.requestCount("/img/nobody.png") >= 2;
        },
        20));
    EXPECT_EQ(tiles.requestCount("/img/coin.png"), 2u);
    EXPECT_EQ(tiles.requestCount("/img/nobody.png"), 2u);
    EXPECT_EQ(tiles.requestCount("/img/ms.png"), 1u);
    EXPECT_TRUE(CGSizeEqualToSize(marker("k1")->contents().size(), CGSizeMake(32, 44)));
    tiles.release("/img/ms.png");
}

TEST_F(ExchangeTest, MarkersFollowTheirObjects)
{
    load();
    fix(55.75, 37.61, 5);
    play.queueAnswer(R"({"O":[["k1",55.75,37.61,"ms"],["c1",55.751,37.61,"coin"]],"S":0,"T":1})");
    tick();
    clock.advance(5); // the creation pulses end

    fix(55.7501, 37.61, 5);
    play.queueAnswer(R"({"O":[["k1",55.75005,37.61,"ms"],["c1",55.7512,37.61,"coin"]],"S":0,"T":1})");
    tick();
    EXPECT_NEAR(placeOf(marker("k1")).latitude, 55.75, 1e-6) << "within 0.0001 degrees it stays";
    EXPECT_EQ(marker("k1")->animationForKey("scaling"), nullptr);
    EXPECT_NEAR(placeOf(marker("c1")).latitude, 55.7512, 1e-5);
    EXPECT_NE(marker("c1")->animationForKey("scaling"), nullptr);
    EXPECT_EQ(controller->mapView()->markerManager().markers().back(), marker("k1"))
        << "the hero is drawn above the coins, though the answer gave it first";

    fix(55.7502, 37.61, 5);
    play.queueAnswer(R"({"S":0,"T":1})");
    tick();
    EXPECT_EQ(state().markers.size(), 2u) << "no object list leaves the markers";
    EXPECT_TRUE(logged("ParseDataFromServer Warning:No game objects recieved"));

    fix(55.7503, 37.61, 5);
    play.queueAnswer(R"({"O":[["c1",55.7512,37.61,"ms"],["k2",55.76,37.61,"ma"]],"S":0,"T":1})");
    tick();
    EXPECT_EQ(marker("k1"), nullptr);
    EXPECT_EQ(controller->mapView()->markerManager().markers().size(), 2u);
    EXPECT_EQ(state().vantryMarker, marker("k2"))
        << "a new hero replaces the old; a known marker never becomes one";
    EXPECT_EQ(controller->mapView()->markerManager().markers().back(), marker("k2"));

    fix(55.7504, 37.61, 5);
    play.queueAnswer(R"({"O":[],"S":0,"T":1})");
    tick();
    EXPECT_TRUE(state().markers.empty());
    EXPECT_TRUE(controller->mapView()->markerManager().markers().empty());
}

TEST_F(ExchangeTest, LevelsPrincessesAndTemperature)
{
    load();
    fix(55.75, 37.61, 5);
    play.queueAnswer(kFirstAnswer);
    tick();
    clock.advance(10);

    fix(55.7501, 37.61, 5);
    play.queueAnswer(R"({"O":[["k1",55.75,37.61,"ms"]],"S":10,"T":10,"L":1,"P":0,"t":0})");
    tick();
    platform::Button& princess = *controller->pelloryButton();
    EXPECT_FALSE(princess.isHidden());
    EXPECT_EQ(princess.titleForState(platform::Button::Disabled), "0/1");
    EXPECT_NE(princess.buttonLayer().animationForKey("scaling"), nullptr);
    EXPECT_NE(controller->scoreButton()->buttonLayer().animationForKey("scaling"), nullptr);
    EXPECT_TRUE(logged("Vibrate: no feedback service on this device"));
    EXPECT_EQ(platform::Application::shared().applicationIconBadgeNumber(), 1);
    EXPECT_EQ(tipTitles(), std::vector<std::string> { "Save the Princess" });

    fix(55.7502, 37.61, 5);
    play.queueAnswer(R"({"O":[["k1",55.75,37.61,"ms"]],"S":10,"T":10,"L":1,"P":0,"t":40})");
    tick();
    game::PDColoredProgressView& bar = *controller->tempIndicator();
    EXPECT_FALSE(bar.isHidden());
    EXPECT_FLOAT_EQ(bar.progress(), 0.4f);
    EXPECT_EQ(*bar.tintColor(), (platform::Color { static_cast<float>(1.3 - 0.4f), 0.4f, 0, 1 }));
    EXPECT_EQ(tipTitles(), (std::vector<std::string> { "Save the Princess", "Closer to the Princess" }));
    EXPECT_TRUE(CGPointEqualToPoint(state().tips->back()->anchor(), CGPointMake(160, 40)));
    const CGRect tip = state().tips->back()->frame();
    EXPECT_GE(CGRectGetMinY(tip), CGRectGetMaxY(bar.frame())) << "the tip never covers the bar it is about";

    fix(55.7503, 37.61, 5);
    play.queueAnswer(R"({"O":[["k1",55.75,37.61,"ms"]],"S":10,"T":10,"L":1,"P":0,"t":100})");
    tick();
    EXPECT_FLOAT_EQ(bar.progress(), 1.0f);
    EXPECT_NEAR(bar.tintColor()->red, 0.3f, 1e-6);
    EXPECT_EQ(bar.tintColor()->green, 1.0f);
    EXPECT_EQ(state().PrincessTipShown, 1);
    EXPECT_EQ(state().TemperatureTipShown, 1) << "each tip once";

    fix(55.7504, 37.61, 5);
    play.queueAnswer(R"({"O":[["k1",55.75,37.61,"ms"]],"S":0,"T":12,"L":2,"P":1,"t":0})");
    tick();
    EXPECT_EQ(princess.titleForState(platform::Button::Disabled), "1/2");
    EXPECT_EQ(platform::Application::shared().applicationIconBadgeNumber(), 1);
    EXPECT_TRUE(bar.isHidden());
}

TEST_F(ExchangeTest, NoServerAnsweringIsNoInternetConnection)
{
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    protocol::GameServer::setPlayPort(closed.serverPort());
    closed.close();
    load();
    fix(10, 20, 5);
    tick();
    EXPECT_EQ(state().locatedPointsToSend.size(), 1u);
    EXPECT_EQ(alertsTitled("No Internet Connection").size(), 1u);
    log.take();
}

TEST_F(ExchangeTest, AServerOfAnAuthorityTrustedForAnotherHostIsAFailedRequest)
{
    QTemporaryDir otherFolder;
    PlayServer stranger(otherFolder.path().toStdString());
    platform::TrustedCertificates::addAuthoritiesFromFile(stranger.authorityFile(), "localhost");
    protocol::GameServer::setPlayPort(stranger.port());
    load();
    fix(10, 20, 5);
    tick();
    EXPECT_TRUE(stranger.bodies().empty());
    EXPECT_EQ(state().locatedPointsToSend.size(), 1u);
    EXPECT_EQ(alertsTitled("Untrusted Game Server").size(), 1u);
    EXPECT_TRUE(alertsTitled("No Internet Connection").empty());
    const auto lines = log.take();
    taken.insert(taken.end(), lines.begin(), lines.end());
    EXPECT_TRUE(std::any_of(taken.begin(), taken.end(), [](const std::string& line) {
        return line.starts_with("Play request failed: ") && line.find("certificate") != std::string::npos;
    }));
}

} // namespace
} // namespace vantry::test
