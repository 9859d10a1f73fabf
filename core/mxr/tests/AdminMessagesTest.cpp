// The administrator's requests, answers and notices and the agents' host
// requests: every class through both encodings, the byte sequences and texts
// that peers and logs rely on, the reading rules (odd keys kept as they are),
// type tests and the registry.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "../../Base/libsrc/tests/IoTestTrees.h"
#include "AdminTestSupport.h"
#include "CommAgentMsgRcvrAddHostReqMsg.h"
#include "CommAgentMsgRcvrDeleteHostReqMsg.h"
#include "CommPathStatusMsg.h"
#include "MxrAdminCreateCommAgentReqMsg.h"
#include "MxrAdminCreateCommPathReqMsg.h"
#include "MxrAdminDeleteCommAgentReqMsg.h"
#include "MxrAdminDeleteCommPathReqMsg.h"
#include "MxrAdminIsAnyCommPathToHostUpReqMsg.h"
#include "MxrAdminRegisterCommAgentReqMsg.h"
#include "MxrAdminRegisterCommPathNotifyStatusReqMsg.h"
#include "MxrAdminReportCommPathStatusReqMsg.h"
#include "MxrAdminReportDisconnectedReqMsg.h"
#include "MxrAdminReportOutConnCompleteReqMsg.h"
#include "RegisterClass.h"

using namespace mxrtest;

namespace {

using CAT = CommAgentEnt;

struct AdminMessages : ::testing::Test {
    RuntimeScope scope{"NODEA", 1};
    BaseAddrPtr admin = AdminAddr();
    BaseAddrPtr asker = AskerAddr();

    // A request as it arrives from another process: the from-address stamped.
    template <class R, class... A>
    TypedPtr<R> Req(A... args) {
        TypedPtr<R> r(new R(admin, args...));
        r->SetFrmAddr(asker);
        return r;
    }
    // The answer to req, with retVal set.
    template <class Rsp, class R>
    BasePtr Answer(const TypedPtr<R>& req, int retVal) {
        Rsp* rsp = new Rsp(*req.GetPtr());
        rsp->SetRetVal(retVal);
        return BasePtr(rsp);
    }
    CommPathStatusMsgPtr Notice(const char* local, const char* dev, const char* host, const char* remote,
                                PipeHead::HeartBeatStatus status) {
        CommPathStatusMsgPtr n(new CommPathStatusMsg(asker));
        n->SetLocalAlias(bStr(local));
        n->SetDevPathName(bStr(dev));
        n->SetCommAgentType(CAT::TLI);
        n->SetRemoteHost(bStr(host));
        n->SetRemoteAlias(bStr(remote));
        n->SetStatus(status);
        return n;
    }

    // Every class of the family, fields set to values that are not their
    // defaults.
    std::vector<BasePtr> FullSamples() {
        const BaseMsgPtr init(Notice("i", "j", "k", "l", PipeHead::DEAD));
        const auto cpath = Req<MxrAdminCreateCommPathReqMsg>(bStr("nodeb"), bStr("NODEA"), bStr("NODEB"), CAT::TTY,
                                                             bStr("/dev/ttyS0"), 2, 4, 5, 9600, init);
        const auto dpath =
            Req<MxrAdminDeleteCommPathReqMsg>(bStr("nodeb"), bStr("NODEA"), bStr("NODEB"), CAT::TLI, bStr("eth0"));
        const auto cagent = Req<MxrAdminCreateCommAgentReqMsg>(bStr("NODEA"), CAT::SCSI, bStr("/dev/sg0"), init);
        const auto dagent = Req<MxrAdminDeleteCommAgentReqMsg>(bStr("NODEA"), CAT::MANUAL, bStr("x"));
        const auto add = Req<CommAgentMsgRcvrAddHostReqMsg>(FullPath());
        const auto del = Req<CommAgentMsgRcvrDeleteHostReqMsg>(FullPath());
        const auto reg = Req<MxrAdminRegisterCommAgentReqMsg>(1234L, 56L, bStr("NODEA"), CAT::TTY, bStr("/dev/ttyS1"));
        const auto status = Req<MxrAdminReportCommPathStatusReqMsg>(7, bStr("NODEB"), bStr("tty0"), PipeHead::DEAD);
        const auto outConn =
            Req<MxrAdminReportOutConnCompleteReqMsg>(8, bStr("NODEB"), PipeHead::INITIALIZING, bStr("tty1"));
        const auto disc = Req<MxrAdminReportDisconnectedReqMsg>(9, bStr("NODEC"), bStr("eth0"));
        const auto up = Req<MxrAdminIsAnyCommPathToHostUpReqMsg>(bStr("NODEB"), bStr("nodeb"));
        const auto notify =
            Req<MxrAdminRegisterCommPathNotifyStatusReqMsg>(Notice("NODEA", "eth0", "NODEB", "nodeb", PipeHead::ALIVE));
        return {
            cpath,
            Answer<MxrAdminCreateCommPathRspMsg>(cpath, 1),
            dpath,
            Answer<MxrAdminDeleteCommPathRspMsg>(dpath, 1),
            cagent,
            Answer<MxrAdminCreateCommAgentRspMsg>(cagent, 1),
            dagent,
            Answer<MxrAdminDeleteCommAgentRspMsg>(dagent, -1),
            add,
            Answer<CommAgentMsgRcvrAddHostRspMsg>(add, 3),
            del,
            Answer<CommAgentMsgRcvrDeleteHostRspMsg>(del, 4),
            Notice("NODEA", "eth0", "NODEB", "nodeb", PipeHead::INITIALIZING),
            FullPath(),
            reg,
            Answer<MxrAdminRegisterCommAgentRspMsg>(reg, 12),
            status,
            BasePtr(new MxrAdminReportCommPathStatusRspMsg(*status.GetPtr())),
            outConn,
            BasePtr(new MxrAdminReportOutConnCompleteRspMsg(*outConn.GetPtr())),
            disc,
            BasePtr(new MxrAdminReportDisconnectedRspMsg(*disc.GetPtr())),
            up,
            Answer<MxrAdminIsAnyCommPathToHostUpRspMsg>(up, 1),
            notify,
            Answer<MxrAdminRegisterCommPathNotifyStatusRspMsg>(notify, 1),
        };
    }

    // The classes with string or pointer fields again, with empty strings and
    // null pointers.
    std::vector<BasePtr> EmptySamples() {
        const bStr e("");
        return {
            Req<MxrAdminCreateCommPathReqMsg>(e, e, e, CAT::OTHER, e, 0, 0, 0, 0, BaseMsgPtr()),
            Req<MxrAdminDeleteCommPathReqMsg>(e, e, e, CAT::OTHER, e),
            Req<MxrAdminCreateCommAgentReqMsg>(e, CAT::OTHER, e, BaseMsgPtr()),
            Req<MxrAdminDeleteCommAgentReqMsg>(e, CAT::OTHER, e),
            Req<CommAgentMsgRcvrAddHostReqMsg>(DestHostEntPtr()),
            Req<CommAgentMsgRcvrDeleteHostReqMsg>(DestHostEntPtr()),
            BasePtr(new CommPathStatusMsg(BaseAddrPtr())),
            BasePtr(new DestHostEnt()),
            Req<MxrAdminRegisterCommAgentReqMsg>(0L, 0L, e, CAT::OTHER, e),
            Req<MxrAdminReportCommPathStatusReqMsg>(0, e, e, PipeHead::NONE),
            Req<MxrAdminReportOutConnCompleteReqMsg>(0, e, PipeHead::NONE, e),
            Req<MxrAdminReportDisconnectedReqMsg>(0, e, e),
            Req<MxrAdminIsAnyCommPathToHostUpReqMsg>(e, e),
            Req<MxrAdminRegisterCommPathNotifyStatusReqMsg>(CommPathStatusMsgPtr()),
        };
    }
};

bool EndsWith(const std::string& s, const char* tail) {
    const std::string t(tail);
    return s.size() >= t.size() && s.compare(s.size() - t.size(), t.size(), t) == 0;
}

}  // namespace

// Both encodings give back an object of the same class that prints and
// encodes identically; another class's bytes are refused with 1 and leave
// the object as it was.
TEST_F(AdminMessages, EveryClassSurvivesBothEncodings) {
    std::vector<BasePtr> samples = FullSamples();
    std::vector<int> codes;
    for (const BasePtr& obj : samples) codes.push_back(obj->GetTypeId());
    EXPECT_EQ(codes, (std::vector<int>{60, 61, 62, 63, 64, 65, 66, 67, 51, 52, 53, 54, 55,
                                       56, 58, 59, 68, 69, 70, 71, 72, 73, 74, 75, 76, 77}));
    const std::vector<BasePtr> empty = EmptySamples();
    samples.insert(samples.end(), empty.begin(), empty.end());

    for (size_t n = 0; n < samples.size(); ++n) {
        const BasePtr& obj = samples[n];
        SCOPED_TRACE(TextOf(obj));
        const std::string text = TextOf(obj);
        ExpectBothFormsRebuild(obj);

        const BasePtr& other = samples[(n + 1) % samples.size()];
        if (other->GetTypeId() == obj->GetTypeId()) continue;
        EXPECT_EQ(ReadBytesInto(*obj.GetPtr(), BytesOf(*other.GetPtr())), 1);
        EXPECT_EQ(TextOf(obj), text);
    }
}

// An answer goes back where its request came from, whatever the request's
// to-address.
TEST_F(AdminMessages, AnswersGoToTheRequestsFromAddress) {
    const std::vector<BasePtr> samples = FullSamples();
    int answers = 0;
    for (size_t n = 1; n < samples.size(); ++n) {
        if (!samples[n]->IsOfType(BaseRspMsg::ClassCode)) continue;
        ++answers;
        const BaseMsgPtr rsp(samples[n]);
        const BaseMsgPtr req(samples[n - 1]);
        EXPECT_EQ(rsp->GetToAddr().GetPtr(), asker.GetPtr()) << rsp->GetClassName();
        EXPECT_EQ(req->GetToAddr().GetPtr(), admin.GetPtr()) << req->GetClassName();
        EXPECT_EQ(rsp->GetFrmAddr().GetPtr(), nullptr);
    }
    EXPECT_EQ(answers, 12);
}

TEST_F(AdminMessages, ConstructorsKeepTheirArgumentsInOrder) {
    const BaseMsgPtr init(Notice("i", "j", "k", "l", PipeHead::DEAD));
    MxrAdminCreateCommPathReqMsg cpath(admin, bStr("nodeb"), bStr("NODEA"), bStr("NODEB"), CAT::TTY, bStr("/dev/ttyS0"),
                                       2, 4, 5, 9600, init);
    EXPECT_EQ(cpath.GetRemoteHostName(), "nodeb");
    EXPECT_EQ(cpath.GetLocalAlias(), "NODEA");
    EXPECT_EQ(cpath.GetRemoteAlias(), "NODEB");
    EXPECT_EQ(cpath.GetCommAgentType(), CAT::TTY);
    EXPECT_EQ(cpath.GetDevPathName(), "/dev/ttyS0");
    EXPECT_EQ(cpath.GetPriority(), 2);
    EXPECT_EQ(cpath.GetHbInterval(), 4);
    EXPECT_EQ(cpath.GetHbMaxMiss(), 5);
    EXPECT_EQ(cpath.GetBaudRate(), 9600);
    EXPECT_EQ(cpath.GetInitMsg().GetPtr(), init.GetPtr());
    EXPECT_EQ(cpath.GetToAddr().GetPtr(), admin.GetPtr());
    // The create-path request's accessors reach the fields themselves.
    cpath.GetBaudRate() = 19200;
    cpath.GetLocalAlias() = bStr("NODEZ");
    EXPECT_EQ(cpath.GetBaudRate(), 19200);
    EXPECT_EQ(cpath.GetLocalAlias(), "NODEZ");

    const MxrAdminDeleteCommPathReqMsg dpath(admin, bStr("h"), bStr("l"), bStr("r"), CAT::TLI, bStr("d"));
    EXPECT_EQ(dpath.GetRemoteHostName() + dpath.GetLocalAlias() + dpath.GetRemoteAlias() + dpath.GetDevPathName(),
              "hlrd");
    EXPECT_EQ(dpath.GetCommAgentType(), CAT::TLI);
    const MxrAdminCreateCommAgentReqMsg cagent(admin, bStr("l"), CAT::SCSI, bStr("d"), init);
    EXPECT_EQ(cagent.GetLocalAlias() + cagent.GetDevPathName(), "ld");
    EXPECT_EQ(cagent.GetCommAgentType(), CAT::SCSI);
    EXPECT_EQ(cagent.GetInitMsg().GetPtr(), init.GetPtr());
    const MxrAdminDeleteCommAgentReqMsg dagent(admin, bStr("l"), CAT::MANUAL, bStr("d"));
    EXPECT_EQ(dagent.GetLocalAlias() + dagent.GetDevPathName(), "ld");
    EXPECT_EQ(dagent.GetCommAgentType(), CAT::MANUAL);

    const DestHostEntPtr path = FullPath();
    EXPECT_EQ(CommAgentMsgRcvrAddHostReqMsg(admin, path).GetCommPathPtr().GetPtr(), path.GetPtr());
    EXPECT_EQ(CommAgentMsgRcvrDeleteHostReqMsg(admin, path).GetCommPathPtr().GetPtr(), path.GetPtr());

    const MxrAdminRegisterCommAgentReqMsg reg(admin, 1234L, 56L, bStr("l"), CAT::TTY, bStr("d"));
    EXPECT_EQ(reg.GetPid(), 1234);
    EXPECT_EQ(reg.GetTid(), 56);
    EXPECT_EQ(reg.GetLocalAlias() + reg.GetDevPathName(), "ld");
    EXPECT_EQ(reg.GetCommAgentType(), CAT::TTY);
    const MxrAdminReportCommPathStatusReqMsg status(admin, 7, bStr("r"), bStr("d"), PipeHead::DEAD);
    EXPECT_EQ(status.GetCommAgentTag(), 7);
    EXPECT_EQ(status.GetRemAlias() + status.GetDeviceName(), "rd");
    EXPECT_EQ(status.GetHbStatus(), PipeHead::DEAD);
    const MxrAdminReportOutConnCompleteReqMsg outConn(admin, 8, bStr("r"), PipeHead::ALIVE, bStr("d"));
    EXPECT_EQ(outConn.GetCommAgentTag(), 8);
    EXPECT_EQ(outConn.GetRemAlias() + outConn.GetDevicePath(), "rd");
    EXPECT_EQ(outConn.GetInHBStatus(), PipeHead::ALIVE);
    const MxrAdminReportDisconnectedReqMsg disc(admin, 9, bStr("r"), bStr("d"));
    EXPECT_EQ(disc.GetCommAgentTag(), 9);
    EXPECT_EQ(disc.GetRemAlias() + disc.GetDevicePath(), "rd");
    const MxrAdminIsAnyCommPathToHostUpReqMsg up(admin, bStr("h"), bStr("r"));
    EXPECT_EQ(up.GetRemHost() + up.GetRemAlias(), "hr");
    const CommPathStatusMsgPtr notice = Notice("l", "d", "h", "r", PipeHead::ALIVE);
    EXPECT_EQ(MxrAdminRegisterCommPathNotifyStatusReqMsg(admin, notice).GetTheMsgPtr().GetPtr(), notice.GetPtr());
    EXPECT_EQ(notice->GetLocalAlias() + notice->GetDevPathName() + notice->GetRemoteHost() + notice->GetRemoteAlias(),
              "ldhr");
    EXPECT_EQ(notice->GetCommAgentType(), CAT::TLI);
    EXPECT_EQ(notice->GetStatus(), PipeHead::ALIVE);
    EXPECT_EQ(notice->GetToAddr().GetPtr(), asker.GetPtr());
    EXPECT_EQ(notice->GetFrmAddr().GetPtr(), nullptr);
}

// The byte sequences of the examples, field by field.
TEST_F(AdminMessages, GoldenBytes) {
    const auto cpath = Req<MxrAdminCreateCommPathReqMsg>(bStr("h"), bStr("l"), bStr("r"), CAT::TLI, bStr("d"), 1, 2, 3,
                                                         4, BaseMsgPtr());
    MxrAdminCreateCommPathRspMsg cpathRsp(*cpath.GetPtr());
    cpathRsp.SetRetVal(1);
    EXPECT_EQ(BytesOf(cpathRsp), Bytes{}.Byte(0x3D).Object(asker).Le32(1).v);
    EXPECT_EQ(BytesOf(*cpath.GetPtr()), Bytes{}
                                            .Byte(0x3C)
                                            .Object(admin)
                                            .Object(asker)
                                            .Str("h")
                                            .Str("l")
                                            .Str("r")
                                            .Le32(1)
                                            .Str("d")
                                            .Le32(1)
                                            .Le32(2)
                                            .Le32(3)
                                            .Le32(4)
                                            .Le32(0)
                                            .v);

    const auto cagent = Req<MxrAdminCreateCommAgentReqMsg>(bStr("NODEA"), CAT::TTY, bStr("/dev/ttyS0"), BaseMsgPtr());
    EXPECT_EQ(BytesOf(*cagent.GetPtr()),
              Bytes{}.Byte(0x40).Object(admin).Object(asker).Str("NODEA").Le32(2).Str("/dev/ttyS0").Le32(0).v);

    const auto disc = Req<MxrAdminReportDisconnectedReqMsg>(513, bStr("NODEB"), bStr("eth0"));
    EXPECT_EQ(BytesOf(*disc.GetPtr()),
              Bytes{}.Byte(0x48).Object(admin).Object(asker).Le32(513).Str("NODEB").Str("eth0").v);

    const CommPathStatusMsgPtr notice = Notice("NODEA", "/dev/ttyS0", "nodeb", "NODEB", PipeHead::DEAD);
    notice->SetCommAgentType(CAT::TTY);
    EXPECT_EQ(
        BytesOf(*notice.GetPtr()),
        Bytes{}.Byte(0x37).Object(asker).Str("NODEA").Str("/dev/ttyS0").Le32(2).Str("nodeb").Str("NODEB").Le32(3).v);

    const auto reg = Req<MxrAdminRegisterCommAgentReqMsg>(1234L, 56L, bStr(""), CAT::TTY, bStr(""));
    EXPECT_EQ(BytesOf(*reg.GetPtr()),
              Bytes{}.Byte(0x3A).Object(admin).Object(asker).Le32(1234).Le32(56).Byte(0).Le32(2).Byte(0).v);
    MxrAdminRegisterCommAgentReqMsg regBack;
    ASSERT_EQ(ReadBytesInto(regBack, BytesOf(*reg.GetPtr())), 0);
    EXPECT_EQ(regBack.GetLocalAlias(), "");
    EXPECT_EQ(regBack.GetDevPathName(), "");
    EXPECT_EQ(regBack.GetPid(), 1234);

    // A pid travels as 4 bytes whatever the width of long.
    const auto bigPid = Req<MxrAdminRegisterCommAgentReqMsg>(-2L, 2147483647L, bStr(""), CAT::TLI, bStr(""));
    EXPECT_EQ(BytesOf(*bigPid.GetPtr()),
              Bytes{}.Byte(0x3A).Object(admin).Object(asker).Le32(-2).Le32(2147483647).Byte(0).Le32(1).Byte(0).v);

    const auto notify = Req<MxrAdminRegisterCommPathNotifyStatusReqMsg>(CommPathStatusMsgPtr());
    EXPECT_EQ(BytesOf(*notify.GetPtr()), Bytes{}.Byte(0x4C).Object(admin).Object(asker).Le32(0).v);
    MxrAdminRegisterCommPathNotifyStatusReqMsg notifyBack(admin, notice);
    ASSERT_EQ(ReadBytesInto(notifyBack, BytesOf(*notify.GetPtr())), 0);
    EXPECT_EQ(notifyBack.GetTheMsgPtr().GetPtr(), nullptr);

    // The host requests carry the path's whole wire form.
    const DestHostEntPtr path = FullPath();
    const auto add = Req<CommAgentMsgRcvrAddHostReqMsg>(path);
    EXPECT_EQ(BytesOf(*add.GetPtr()), Bytes{}.Byte(0x33).Object(admin).Object(asker).Object(path).v);

    // A report answer is its code and the answer part alone.
    const auto status = Req<MxrAdminReportCommPathStatusReqMsg>(1, bStr("NODEB"), bStr("tty0"), PipeHead::ALIVE);
    MxrAdminReportCommPathStatusRspMsg statusRsp(*status.GetPtr());
    EXPECT_EQ(BytesOf(statusRsp), Bytes{}.Byte(69).Object(asker).v);
    MxrAdminReportOutConnCompleteRspMsg outRsp(
        *Req<MxrAdminReportOutConnCompleteReqMsg>(1, bStr("r"), PipeHead::ALIVE, bStr("d")).GetPtr());
    EXPECT_EQ(BytesOf(outRsp), Bytes{}.Byte(71).Object(asker).v);
    MxrAdminReportDisconnectedRspMsg discRsp(*disc.GetPtr());
    EXPECT_EQ(BytesOf(discRsp), Bytes{}.Byte(73).Object(asker).v);
}

TEST_F(AdminMessages, GoldenTexts) {
    const char* adminText =
        "\t(toAddr LogicalAddr\n\t\t(host \"NODEA\")\n\t\t(pid 0)\n\t\t(tid 0)\n\t\t(logicalName MXRADMIN))\n";
    const char* askerText = "(toAddr BaseAddr\n\t\t(host \"NODEA\")\n\t\t(pid 4242)\n\t\t(tid 77))";
    const std::string frm = std::string("\t(frmAddr BaseAddr\n\t\t(host \"NODEA\")\n\t\t(pid 1234)\n\t\t(tid 56))\n");

    const auto reg = Req<MxrAdminRegisterCommAgentReqMsg>(1234L, 56L, bStr(""), CAT::TTY, bStr(""));
    reg->SetFrmAddr(BaseAddrPtr(new BaseAddr(bStr("NODEA"), 1234, 56)));
    EXPECT_EQ(TextOf(reg), std::string("(MxrAdminRegisterCommAgentReqMsg\n") + adminText + frm +
                               "\t(pid 1234)\n\t(tid 56)\n\t(localAlias \"\")\n\t(commAgentType TTY)\n"
                               "\t(devPathName \"\"))");

    const auto status = Req<MxrAdminReportCommPathStatusReqMsg>(1, bStr("NODEB"), bStr("tty0"), PipeHead::ALIVE);
    EXPECT_TRUE(EndsWith(TextOf(status),
                         "\t(commAgentTag 1)\n\t(remAlias \"NODEB\")\n\t(deviceName \"tty0\")\n\t(hbStatus ALIVE))"))
        << TextOf(status);

    EXPECT_EQ(TextOf(BasePtr(new MxrAdminReportCommPathStatusRspMsg(*status.GetPtr()))),
              std::string("(MxrAdminReportCommPathStatusRspMsg\n\t") + askerText + ")");

    const auto cpath = Req<MxrAdminCreateCommPathReqMsg>(bStr("h"), bStr("l"), bStr("r"), CAT::TLI, bStr("d"), 1, 2, 3,
                                                         9600, BaseMsgPtr());
    const BasePtr answer = Answer<MxrAdminCreateCommPathRspMsg>(cpath, 0);
    EXPECT_EQ(TextOf(answer), std::string("(MxrAdminCreateCommPathRspMsg\n\t") + askerText + "\n\t(retVal 0))");

    // The keys with their trailing blank, and a null pointer as the bare key.
    EXPECT_TRUE(EndsWith(TextOf(cpath),
                         "\t(remoteHostName \"h\")\n\t(localAlias \"l\")\n\t(remoteAlias \"r\")\n"
                         "\t(commAgentType TLI)\n\t(devPathName \"d\")\n\t(priority 1)\n\t(hbInterval 2)\n"
                         "\t(hbMaxMiss 3)\n\t(baudRate  9600)\n\t(initMsg))"))
        << TextOf(cpath);
    EXPECT_EQ(TextOf(Notice("NODEA", "eth0", "NODEB", "nodeb", PipeHead::DEAD)),
              std::string("(CommPathStatusMsg\n\t") + askerText +
                  "\n\t(localAlias \"NODEA\")\n\t(devPathName  \"eth0\")\n\t(commAgentType TLI)\n"
                  "\t(remoteHost \"NODEB\")\n\t(remoteAlias \"nodeb\")\n\t(status DEAD))");
    const auto add = Req<CommAgentMsgRcvrAddHostReqMsg>(FullPath());
    EXPECT_NE(TextOf(add).find("\t(commPathPtr DestHostEnt\n\t\t(localAlias \"NODEA\")"), std::string::npos)
        << TextOf(add);
}

// Keys are read exactly as they are written: with their trailing blank, and
// the notice's and the reports' own spellings.
TEST_F(AdminMessages, KeysAreReadExactly) {
    const auto cpath = Req<MxrAdminCreateCommPathReqMsg>(bStr("h"), bStr("l"), bStr("r"), CAT::TLI, bStr("d"), 1, 2, 3,
                                                         9600, BaseMsgPtr());
    EXPECT_EQ(cpath->SetFromIoItem(List({List({Id("baudRate"), Int(19200)}), List({Id("remoteHost"), Str("x")})})), 0);
    EXPECT_EQ(cpath->GetBaudRate(), 9600);
    EXPECT_EQ(cpath->GetRemoteHostName(), "h");
    EXPECT_EQ(cpath->SetFromIoItem(List({List({Id("baudRate "), Int(19200)})})), 0);
    EXPECT_EQ(cpath->GetBaudRate(), 19200);

    const CommPathStatusMsgPtr notice = Notice("l", "d", "h", "r", PipeHead::ALIVE);
    EXPECT_EQ(
        notice->SetFromIoItem(List({List({Id("devPathName"), Str("x")}), List({Id("remoteHostName"), Str("y")})})), 0);
    EXPECT_EQ(notice->GetDevPathName(), "d");
    EXPECT_EQ(notice->GetRemoteHost(), "h");
    EXPECT_EQ(notice->SetFromIoItem(List({List({Id("devPathName "), Str("x")}), List({Id("remoteHost"), Str("y")})})),
              0);
    EXPECT_EQ(notice->GetDevPathName(), "x");
    EXPECT_EQ(notice->GetRemoteHost(), "y");

    MxrAdminReportCommPathStatusReqMsg status;
    EXPECT_EQ(status.SetFromIoItem(List({List({Id("devicePath"), Str("tty0")})})), 0);
    EXPECT_EQ(status.GetDeviceName(), "");
    MxrAdminReportDisconnectedReqMsg disc;
    EXPECT_EQ(disc.SetFromIoItem(List({List({Id("deviceName"), Str("tty0")}), List({Id("devicePath"), Str("eth0")})})),
              0);
    EXPECT_EQ(disc.GetDevicePath(), "eth0");
    MxrAdminRegisterCommAgentReqMsg reg;
    EXPECT_EQ(reg.SetFromIoItem(List({List({Id("devicePath"), Str("a")}), List({Id("devPathName "), Str("b")})})), 0);
    EXPECT_EQ(reg.GetDevPathName(), "");

    // The first of two equal keys wins.
    EXPECT_EQ(
        cpath->SetFromIoItem(List({List({Id("localAlias"), Str("first")}), List({Id("localAlias"), Str("second")})})),
        0);
    EXPECT_EQ(cpath->GetLocalAlias(), "first");
}

// Wrong values: each field is read on its own, and the last failure is the
// result.
TEST_F(AdminMessages, ReadingFailuresLeaveTheirFieldAndReadTheRest) {
    const auto cpath = Req<MxrAdminCreateCommPathReqMsg>(bStr("h"), bStr("l"), bStr("r"), CAT::TLI, bStr("d"), 1, 2, 3,
                                                         9600, BaseMsgPtr());
    EXPECT_EQ(
        cpath->SetFromIoItem(List({List({Id("commAgentType"), Id("CARRIERPIGEON")}), List({Id("priority"), Int(9)}),
                                   List({Id("hbInterval"), Str("ten")}), List({Id("localAlias"), Str("L")})})),
        1);
    EXPECT_EQ(cpath->GetCommAgentType(), CAT::TLI);
    EXPECT_EQ(cpath->GetPriority(), 9);
    EXPECT_EQ(cpath->GetHbInterval(), 2);
    EXPECT_EQ(cpath->GetLocalAlias(), "L");

    const auto status = Req<MxrAdminReportCommPathStatusReqMsg>(1, bStr("NODEB"), bStr("tty0"), PipeHead::ALIVE);
    EXPECT_EQ(status->SetFromIoItem(List({List({Id("hbStatus"), Id("SLEEPY")}), List({Id("commAgentTag"), Int(4)})})),
              1);
    EXPECT_EQ(status->GetHbStatus(), PipeHead::ALIVE);
    EXPECT_EQ(status->GetCommAgentTag(), 4);

    // Nothing after the class name: every number and string field reports 1
    // and keeps its value, every pointer becomes null.
    const BaseMsgPtr init(Notice("i", "j", "k", "l", PipeHead::DEAD));
    const auto full =
        Req<MxrAdminCreateCommPathReqMsg>(bStr("h"), bStr("l"), bStr("r"), CAT::TTY, bStr("d"), 1, 2, 3, 4, init);
    EXPECT_EQ(full->SetFromIoItem(Nil()), 1);
    EXPECT_EQ(full->GetRemoteHostName(), "h");
    EXPECT_EQ(full->GetCommAgentType(), CAT::TTY);
    EXPECT_EQ(full->GetBaudRate(), 4);
    EXPECT_EQ(full->GetInitMsg().GetPtr(), nullptr);
    EXPECT_EQ(full->GetToAddr().GetPtr(), nullptr);
    EXPECT_EQ(full->GetFrmAddr().GetPtr(), nullptr);

    // Classes with pointer fields only read the empty list without failure.
    const auto add = Req<CommAgentMsgRcvrAddHostReqMsg>(FullPath());
    EXPECT_EQ(add->SetFromIoItem(Nil()), 0);
    EXPECT_EQ(add->GetCommPathPtr().GetPtr(), nullptr);
    MxrAdminReportDisconnectedRspMsg discRsp(*Req<MxrAdminReportDisconnectedReqMsg>(1, bStr("r"), bStr("d")).GetPtr());
    EXPECT_EQ(discRsp.SetFromIoItem(Nil()), 0);
    EXPECT_EQ(discRsp.GetToAddr().GetPtr(), nullptr);
    MxrAdminIsAnyCommPathToHostUpRspMsg upRsp;
    upRsp.SetRetVal(7);
    EXPECT_EQ(upRsp.SetFromIoItem(Nil()), 1);
    EXPECT_EQ(upRsp.GetRetVal(), 7);

    // Where a notice goes, a peer cannot make another class (the decoder
    // refuses it before it is built); the field keeps its value.
    const CommPathStatusMsgPtr notice = Notice("l", "d", "h", "r", PipeHead::ALIVE);
    MxrAdminRegisterCommPathNotifyStatusReqMsg notify(admin, notice);
    EXPECT_EQ(notify.SetFromIoItem(List({List({Id("theMsgPtr"), Id("MxrAdminReportDisconnectedRspMsg")})})), 1);
    EXPECT_EQ(notify.GetTheMsgPtr().GetPtr(), notice.GetPtr());
    const auto wrongClass = Req<MxrAdminRegisterCommPathNotifyStatusReqMsg>(CommPathStatusMsgPtr());
    std::vector<char> bytes = BytesOf(*wrongClass.GetPtr());
    const std::vector<char> other = Bytes{}.Object(BasePtr(new MxrAdminReportDisconnectedRspMsg(discRsp))).v;
    bytes.resize(bytes.size() - 4);
    bytes.insert(bytes.end(), other.begin(), other.end());
    EXPECT_NE(ReadBytesInto(notify, bytes), 0);
    EXPECT_EQ(notify.GetTheMsgPtr().GetPtr(), notice.GetPtr());
}

// Type tests along the bases, and typed pointers that refuse another class.
TEST_F(AdminMessages, TypeTests) {
    for (const BasePtr& obj : FullSamples()) {
        const std::string name = obj->GetClassName();
        const bool isReq = EndsWith(name, "ReqMsg");
        const bool isRsp = EndsWith(name, "RspMsg");
        const bool isMsg = isReq || isRsp || name == "CommPathStatusMsg";
        EXPECT_EQ(obj->IsOfType(BaseMsg::ClassCode) != 0, isMsg) << name;
        EXPECT_EQ(obj->IsOfType(BaseReqMsg::ClassCode) != 0, isReq) << name;
        EXPECT_EQ(obj->IsOfType(BaseRspMsg::ClassCode) != 0, isRsp) << name;
        EXPECT_TRUE(obj->IsOfType(obj->GetTypeId())) << name;
        EXPECT_TRUE(obj->IsOfType(BaseVirtItem::ClassCode)) << name;
    }
    const auto cpath = Req<MxrAdminCreateCommPathReqMsg>(bStr("h"), bStr("l"), bStr("r"), CAT::TLI, bStr("d"), 1, 2, 3,
                                                         4, BaseMsgPtr());
    const BasePtr createRsp = Answer<MxrAdminCreateCommPathRspMsg>(cpath, 0);
    const auto dpath = Req<MxrAdminDeleteCommPathReqMsg>(bStr("h"), bStr("l"), bStr("r"), CAT::TLI, bStr("d"));
    const BasePtr deleteRsp = Answer<MxrAdminDeleteCommPathRspMsg>(dpath, 0);
    EXPECT_TRUE(MxrAdminCreateCommPathRspMsgPtr(createRsp).Ok());
    EXPECT_FALSE(MxrAdminCreateCommPathRspMsgPtr(deleteRsp).Ok());
    EXPECT_FALSE(MxrAdminDeleteCommPathRspMsgPtr(createRsp).Ok());
    EXPECT_FALSE(MxrAdminCreateCommPathRspMsgPtr(BasePtr()).Ok());
    EXPECT_FALSE(CommPathStatusMsgPtr(createRsp).Ok());

    // A create-path answer's bytes do not read as a delete-path answer.
    MxrAdminDeleteCommPathRspMsg target(*dpath.GetPtr());
    target.SetRetVal(5);
    EXPECT_EQ(ReadBytesInto(target, BytesOf(*createRsp.GetPtr())), 1);
    EXPECT_EQ(target.GetRetVal(), 5);
}

TEST_F(AdminMessages, EveryClassIsRegisteredUnderItsCodeAndName) {
    const std::map<int, const char*> names = {
        {49, "CommAgentEnt"},
        {51, "CommAgentMsgRcvrAddHostReqMsg"},
        {52, "CommAgentMsgRcvrAddHostRspMsg"},
        {53, "CommAgentMsgRcvrDeleteHostReqMsg"},
        {54, "CommAgentMsgRcvrDeleteHostRspMsg"},
        {55, "CommPathStatusMsg"},
        {56, "DestHostEnt"},
        {58, "MxrAdminRegisterCommAgentReqMsg"},
        {59, "MxrAdminRegisterCommAgentRspMsg"},
        {60, "MxrAdminCreateCommPathReqMsg"},
        {61, "MxrAdminCreateCommPathRspMsg"},
        {62, "MxrAdminDeleteCommPathReqMsg"},
        {63, "MxrAdminDeleteCommPathRspMsg"},
        {64, "MxrAdminCreateCommAgentReqMsg"},
        {65, "MxrAdminCreateCommAgentRspMsg"},
        {66, "MxrAdminDeleteCommAgentReqMsg"},
        {67, "MxrAdminDeleteCommAgentRspMsg"},
        {68, "MxrAdminReportCommPathStatusReqMsg"},
        {69, "MxrAdminReportCommPathStatusRspMsg"},
        {70, "MxrAdminReportOutConnCompleteReqMsg"},
        {71, "MxrAdminReportOutConnCompleteRspMsg"},
        {72, "MxrAdminReportDisconnectedReqMsg"},
        {73, "MxrAdminReportDisconnectedRspMsg"},
        {74, "MxrAdminIsAnyCommPathToHostUpReqMsg"},
        {75, "MxrAdminIsAnyCommPathToHostUpRspMsg"},
        {76, "MxrAdminRegisterCommPathNotifyStatusReqMsg"},
        {77, "MxrAdminRegisterCommPathNotifyStatusRspMsg"},
        {107, "RemoteHostEnt"},
    };
    for (const auto& [code, name] : names) {
        RegisterClass* rec = RegisterClass::GetRegisterClassEntryFrmId(code);
        ASSERT_NE(rec, nullptr) << code;
        EXPECT_STREQ(rec->GetClassName(), name);
        EXPECT_EQ(RegisterClass::GetRegisterClassEntryFromName(name), rec);
    }
}
