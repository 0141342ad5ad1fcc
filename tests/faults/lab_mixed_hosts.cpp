// A late host and hosts behind a router that reports them unreachable, mixed
// into scans with hosts that answer: every address gets its own result. Late
// replies and late errors of one address reach the program while it waits for
// the next one; they must not be taken for that one's.
#include "net/IcmpService.h"
#include "tests/Lab.h"
#include "tests/scan/ScanWindow.h"

#include <QRegularExpression>

#include <set>

namespace {

struct Echo {
    std::string Address;
    int32_t Count;
    uint32_t Status;
    std::string From;   // the replying or reporting address
};

} // namespace

class MixedHosts : public LabScanWindow {
protected:
    void SetUp() override
    {
        LabScanWindow::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        ShowOnlyCorrect(false);
        SetPreset(1);   // 600 ms: the late host's 30 ms are in time
        // Each echo's outcome as the engine saw it, on the thread that pinged.
        auto reply = Form->Ping1->OnEchoReply;
        Form->Ping1->OnEchoReply = [this, reply](TPing* sender, TICMP* icmp, int32_t error) {
            {
                std::lock_guard guard(EchoMutex);
                Echoes.push_back({sender->Address(), error, icmp->LastError(), DottedText(icmp->Reply().Address)});
            }
            if (reply) reply(sender, icmp, error);
        };
    }
    std::vector<Echo> TakeEchoes()
    {
        std::lock_guard guard(EchoMutex);
        std::vector<Echo> echoes;
        echoes.swap(Echoes);
        return echoes;
    }
    // The sheet's lines, each checked against its own echo.
    void ExpectLinesOfTheirOwn(const std::vector<Echo>& echoes)
    {
        const QStringList lines = Sheet()->Lines();
        ASSERT_EQ(lines.size(), static_cast<qsizetype>(echoes.size()));
        for (size_t i = 0; i < echoes.size(); ++i) {
            const QString start = QStringLiteral("Sending ping to ") + QString::fromStdString(echoes[i].Address) + ' ';
            if (echoes[i].Count != 0)
                EXPECT_TRUE(QRegularExpression(QRegularExpression::escape(start) + R"(Reply O\.K\. - in \d+ msecs$)")
                                .match(lines[static_cast<qsizetype>(i)]).hasMatch())
                    << lines[static_cast<qsizetype>(i)].toStdString();
            else
                EXPECT_EQ(lines[static_cast<qsizetype>(i)], start + QStringLiteral("Timeout or not found"));
        }
    }

    std::mutex EchoMutex;
    std::vector<Echo> Echoes;
};

TEST_F(MixedHosts, shouldGiveEveryAddressItsOwnResult)
{
    SCANVET_REQUIRE_LAB();
    // 203.0.113.10 behind the router answers; 198.51.100.11..13 answer, .14..19
    // are silent; 203.0.113.20 is silent behind the router, which reports it
    // unreachable seconds later, during the following echoes; 198.51.100.21..29
    // are silent, and .30 answers after 30 ms. The octets change as the scan
    // goes: each change applies from the next address on.
    SetOctets(203, 0, 113);
    SetRange(10, 30);
    AtRequest = [this](const std::string& address) {
        if (address == Lab::Far || address == Lab::FarSilent) SetOctets(198, 51, 100);
        if (address == "198.51.100.19") SetOctets(203, 0, 113);
    };
    ASSERT_TRUE(RunScan());
    AtRequest = nullptr;

    std::vector<std::string> expected{Lab::Far};
    for (int i = 11; i <= 19; ++i) expected.push_back("198.51.100." + std::to_string(i));
    expected.push_back(Lab::FarSilent);
    for (int i = 21; i <= 30; ++i) expected.push_back("198.51.100." + std::to_string(i));
    EXPECT_EQ(RequestedAddresses(), expected);

    const std::vector<Echo> echoes = TakeEchoes();
    ASSERT_EQ(echoes.size(), expected.size());
    const std::set<std::string> answering{Lab::Far, Lab::Bravo, Lab::Unnamed12, Lab::Unnamed13, Lab::Late};
    for (const Echo& echo : echoes) {
        SCOPED_TRACE(echo.Address);
        if (answering.count(echo.Address) != 0) {
            EXPECT_EQ(echo.Count, 1);
            EXPECT_EQ(echo.Status, IP_SUCCESS);
            EXPECT_EQ(echo.From, echo.Address);
        } else {
            EXPECT_EQ(echo.Count, 0);
            // Its own time-out; its own error would come from far later.
            EXPECT_EQ(echo.Status, IP_REQ_TIMED_OUT);
        }
    }
    ExpectLinesOfTheirOwn(echoes);
    ASSERT_TRUE(WaitResolvers());
    EXPECT_EQ(ListTexts(), (QStringList{Entry("203.0.113.10 far.lab"), Entry("198.51.100.11 bravo.lab"),
                                        Entry("198.51.100.12"), Entry("198.51.100.13"), Entry("198.51.100.30 late.lab")}));

    // The router's errors about addresses of its unreachable route come at
    // once. It sends at most one a second to us, so two silent addresses of
    // the LAN (600 ms each) stand between them.
    SetOctets(203, 0, 113);
    SetRange(200, 206);
    AtRequest = [this](const std::string& address) {
        if (address.starts_with("203.")) SetOctets(198, 51, 100);
        if (address == "198.51.100.202" || address == "198.51.100.205") SetOctets(203, 0, 113);
    };
    ASSERT_TRUE(RunScan());
    AtRequest = nullptr;
    const std::vector<Echo> far = TakeEchoes();
    std::vector<std::string> addresses;
    for (const Echo& echo : far) addresses.push_back(echo.Address);
    EXPECT_EQ(addresses, (std::vector<std::string>{"203.0.113.200", "198.51.100.201", "198.51.100.202", "203.0.113.203",
                                                   "198.51.100.204", "198.51.100.205", "203.0.113.206"}));
    for (const Echo& echo : far) {
        SCOPED_TRACE(echo.Address);
        EXPECT_EQ(echo.Count, 0);
        if (echo.Address.starts_with("203.")) {
            EXPECT_EQ(echo.Status, IP_DEST_HOST_UNREACHABLE);
            EXPECT_EQ(echo.From, Lab::Router);
        } else {
            EXPECT_EQ(echo.Status, IP_REQ_TIMED_OUT);
        }
    }
    ExpectLinesOfTheirOwn(far);
    EXPECT_EQ(List()->Count(), 5);
}
