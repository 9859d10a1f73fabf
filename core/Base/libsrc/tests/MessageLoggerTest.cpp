// The detailed message logger: each message the world delivers printed as
// one s-expression block, first, in delivery order; silence without a
// stream; the stream never travels with the logger.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "BaseErrMsg.h"
#include "BaseWorld.h"
#include "DetailedMsgLogger.h"
#include "IoTestTrees.h"
#include "RuntimeTestClasses.h"
#include "RuntimeTestSupport.h"
#include "WireTestClasses.h"

TEST(MessageLogger, PrintsEachMessageAsOneBlockInDeliveryOrder) {
    RuntimeScope scope("NODEA", 1);
    BaseWorld world;
    RecordingRcvr rcvr;
    std::ostringstream out;
    DetailedMsgLoggerPtr logger(new DetailedMsgLogger());
    logger->SetOutputAdr(&out);
    world.SetMsgLoggerPtr(logger);
    BaseMsgPtr(new NoticeMsg(rcvr.GetAddrPtr(), 1)).Send();
    BaseMsgPtr(new BaseErrMsg(rcvr.GetAddrPtr())).Send();
    world.ProcessMessages();
    const std::string text = out.str();
    const std::string first = Text(NoticeMsg(rcvr.GetAddrPtr(), 1)) + "\n";
    const std::string second = Text(BaseErrMsg(rcvr.GetAddrPtr())) + "\n";
    EXPECT_EQ(text, first + second);
    EXPECT_EQ(text.rfind("(NoticeMsg", 0), 0u);
    EXPECT_NE(text.find("(toAddr DynamicAddr"), std::string::npos) << text;
    EXPECT_EQ(rcvr.numbers.size(), 2u);  // the receivers still got them
}

TEST(MessageLogger, WithoutAStreamPrintsNothingAndKeepsNoStreamAcrossEncodings) {
    RuntimeScope scope;
    DetailedMsgLogger logger;
    const BasePktCtrlPtr noCtrl;
    BaseMsgPtr msg(new BaseMsg());
    EXPECT_EQ(logger.ReceiveMsg(msg, noCtrl), BaseMsgRcvr::PROCESSED);
    std::ostringstream out;
    logger.SetOutputAdr(&out);
    EXPECT_EQ(logger.GetOutputAdr(), &out);
    EXPECT_EQ(logger.ReceiveMsg(msg, noCtrl), BaseMsgRcvr::PROCESSED);
    EXPECT_EQ(out.str(), "(BaseMsg\n\t(toAddr))\n");
    EXPECT_EQ(Text(logger), "(DetailedMsgLogger)");
    DetailedMsgLogger back;
    Reader r = ReaderOf(SerializeOf(logger));
    EXPECT_EQ(back.Serialize(*r), 0);
    EXPECT_EQ(back.GetOutputAdr(), nullptr);
    EXPECT_EQ(back.SetFromIoItem(logger.GetIoItemFrom()), 0);
}
