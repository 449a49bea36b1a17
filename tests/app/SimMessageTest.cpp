// fixtrail-sim message: the pair it drops is one that the application serves.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/CommandHandler.h"
#include "app/VelmorFileLayer.h"
#include "support/TempRoot.h"
#include "support/ToolRun.h"

namespace {

class CItemsHandler : public MCommandHandlerInterface {
  public:
    void HandleCommand(MVelmorCommunicationLayerInterface* aLayer, MVelmorSession*) override {
        const auto& layer = dynamic_cast<const CVelmorFileLayer&>(*aLayer);
        std::string call = std::string(layer.PeerName()) + " -> " + layer.OwnName() + ":";
        for (int i = 0; i < aLayer->Arguments()->Count(); ++i) {
            call += std::string(" ") + aLayer->Arguments()->Get(i);
        }
        iCalls.push_back(call);
    }
    std::vector<std::string> iCalls;
};

TEST(SimMessage, DropsAPairTheApplicationServes) {
    CTempRoot root;
    const TToolRun run = RunTool("fixtrail-sim", {"message", root.Root(), "show", "a|b", "--"});
    ASSERT_EQ(run.iStatus, 0) << run.iErr;
    // The name printed is the one both files carry.
    const std::string stem = run.iOut.substr(0, run.iOut.find('\n'));
    EXPECT_EQ(stem.rfind("VelmorNavigationServer.fixtrail.", 0), 0u) << stem;
    EXPECT_EQ(root.Read("/var/run/" + stem + ".message"), std::string("show|a|b|\0", 10));
    EXPECT_EQ(root.Read("/var/run/" + stem + ".finished"), std::string("finish\n\0", 8));

    CItemsHandler handler;
    ServeMessages("fixtrail", &handler);
    EXPECT_EQ(handler.iCalls,
              (std::vector<std::string>{"VelmorNavigationServer -> fixtrail: show a b"}));
}

TEST(SimMessage, NamesTheSenderAndReceiverAsToldAndRefusesNamesWithDots) {
    CTempRoot root;
    const TToolRun run =
        RunTool("fixtrail-sim", {"message", "--to", "FixTrail", "--from", "remote", root.Root()});
    ASSERT_EQ(run.iStatus, 0) << run.iErr;
    CItemsHandler handler;
    ServeMessages("fixtrail", &handler);
    EXPECT_EQ(handler.iCalls, (std::vector<std::string>{"remote -> FixTrail:"}));

    EXPECT_EQ(RunTool("fixtrail-sim", {"message", root.Root(), "--to", "a.b"}).iStatus, 2);
    EXPECT_EQ(RunTool("fixtrail-sim", {"message"}).iStatus, 2);
    root.RemoveDirectory("/var");
    const TToolRun failed = RunTool("fixtrail-sim", {"message", root.Root(), "x"});
    EXPECT_EQ(failed.iStatus, 1);
    EXPECT_NE(failed.iErr.find("var/run"), std::string::npos) << failed.iErr;
}

}  // namespace
