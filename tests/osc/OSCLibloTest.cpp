// Cross-checks our wire format against liblo, an independent OSC implementation: liblo must read
// what we send, and we must read what liblo writes, for every argument type we send.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "osc/OSC.Method.h"
#include "osc/OSC.Parameter.h"

#ifdef LUMACUE_HAVE_LIBLO
#include <lo/lo.h>
#include <lo/lo_lowlevel.h>
#include <unistd.h>
#endif

using namespace osc;

namespace {

struct TArg {
    char Kind; // i, u (unsigned, sent as i), f, s, b, T, F, I
    int64_t I = 0;
    float F = 0;
    std::string S{};
    TBytes B{};
};
TArg Int(int32_t v) {
    return {'i', v};
}
TArg UInt(uint32_t v) {
    return {'u', v};
}
TArg Flt(float v) {
    return {'f', 0, v};
}
TArg Str(std::string v) {
    return {'s', 0, 0, std::move(v)};
}
TArg Blob(size_t n) {
    TArg a{'b'};
    for (size_t k = 0; k < n; ++k)
        a.B.push_back(uint8_t(0xA0 + k));
    return a;
}
TArg Tag(char t) {
    return {t};
}

struct TMsg {
    std::string Address;
    std::vector<TArg> Args;
};

// A bundle element: a message, or a nested bundle.
struct TElem {
    std::vector<TMsg> Messages{}; // one message when not a bundle
    std::vector<TElem> Nested{};
    bool IsBundle = false;
};

std::string Hex(const uint8_t* p, size_t n) {
    static const char* d = "0123456789ABCDEF";
    std::string s;
    for (size_t i = 0; i < n; ++i)
        s += {d[p[i] >> 4], d[p[i] & 15]};
    return s;
}
std::string FloatBits(float f) {
    uint32_t u;
    std::memcpy(&u, &f, 4);
    return std::to_string(u);
}

// One text per message: the address, then each argument as the receiver sees it.
std::string Canonical(const TMsg& m) {
    std::string s = m.Address;
    for (const auto& a : m.Args) {
        switch (a.Kind) {
        case 'i':
        case 'u':
            s += " i:" + std::to_string(int32_t(uint32_t(a.I)));
            break;
        case 'f':
            s += " f:" + FloatBits(a.F);
            break;
        case 's':
            s += " s:" + a.S;
            break;
        case 'b':
            s += " b:" + Hex(a.B.data(), a.B.size());
            break;
        default:
            s += std::string(" ") + a.Kind;
        }
    }
    return s;
}

std::string Canonical(IOSCMethod* m) {
    std::string s = m->GetOSCMethodAddress();
    for (int32_t i = 0; i < m->GetOSCParameterCount(); ++i) {
        auto p = m->getParameters(i);
        switch (p->GetParamType()) {
        case opInteger:
            s += " i:" + std::to_string(p->GetAsInt());
            break;
        case opFloat:
            s += " f:" + FloatBits(p->GetAsFloat());
            break;
        case opString:
            s += " s:" + p->GetAsAnsiString();
            break;
        case opBlob: {
            TBytes b = p->GetAsBlob();
            s += " b:" + Hex(b.data(), b.size());
            break;
        }
        default:
            s += std::string(" ") + OSCTypeTag(p->GetParamType());
        }
    }
    return s;
}

IPtr<IOSCMethod> Ours(const TMsg& m) {
    auto method = CreateOSCMethod();
    method->SetOSCMethodAddressUnresolved(m.Address);
    for (const auto& a : m.Args) {
        auto p = method->OSCCreateParameter();
        switch (a.Kind) {
        case 'i':
            p->SetAsInt(int32_t(a.I));
            break;
        case 'u':
            p->SetAsUInt(uint32_t(a.I));
            break;
        case 'f':
            p->SetAsFloat(a.F);
            break;
        case 's':
            p->SetAsAnsiString(a.S);
            break;
        case 'b':
            p->SetAsBlob(a.B);
            break;
        case 'T':
        case 'F':
            p->SetAsBool(a.Kind == 'T');
            break;
        case 'I':
            p->AsInfinitum();
            break;
        }
    }
    return method;
}

// liblo cannot build a blob of zero bytes (it can read one), so that case only goes one way.
std::vector<TMsg> MessageTable(bool WithEmptyBlob) {
    std::vector<TMsg> t = {
        {"/ints", {Int(0), Int(-1), Int(INT32_MIN), Int(INT32_MAX), UInt(4294967295u), UInt(7)}},
        {"/floats", {Flt(0.5f), Flt(-1e10f), Flt(3.4e38f), Flt(-0.0f), Flt(1e-40f)}},
        {"/flags", {Tag('T'), Int(1), Tag('F'), Tag('I'), Str("x")}},
        {"/abc", {}},
        {"/dmx/ch/29", {Flt(0.5f)}},
    };
    for (size_t n = 0; n <= 5; ++n) {
        t.push_back({"/str/" + std::to_string(n), {Str(std::string("abcde").substr(0, n)), Int(int32_t(n))}});
        if (n > 0 || WithEmptyBlob) t.push_back({"/blob/" + std::to_string(n), {Blob(n), Int(int32_t(n))}});
    }
    return t;
}

TElem Msg(const TMsg& m) {
    return {{m}, {}, false};
}
TElem Bundle(std::vector<TElem> e) {
    return {{}, std::move(e), true};
}

TBytes OursBytes(const TElem& e) {
    if (!e.IsBundle) return Ours(e.Messages[0])->AsOSCBytes();
    std::vector<TBytes> parts;
    for (const auto& n : e.Nested)
        parts.push_back(OursBytes(n));
    return OSCBundleBytes(1, parts); // 1: immediately
}

void Flatten(const TElem& e, std::vector<std::string>& out) {
    if (!e.IsBundle) return out.push_back(Canonical(e.Messages[0]));
    for (const auto& n : e.Nested)
        Flatten(n, out);
}

std::vector<TElem> PacketTable(bool WithEmptyBlob) {
    std::vector<TMsg> msgs = MessageTable(WithEmptyBlob);
    std::vector<TElem> packets;
    for (const auto& m : msgs)
        packets.push_back(Msg(m));
    std::vector<TElem> all;
    for (const auto& m : msgs)
        all.push_back(Msg(m));
    packets.push_back(Bundle(all));
    packets.push_back(Bundle({Msg(msgs[0]), Bundle({Msg(msgs[1]), Bundle({Msg(msgs[2])})}), Msg(msgs[3])}));
    return packets;
}

#ifdef LUMACUE_HAVE_LIBLO

lo_message LoMessage(const TMsg& m) {
    lo_message msg = lo_message_new();
    for (const auto& a : m.Args) {
        switch (a.Kind) {
        case 'i':
        case 'u':
            lo_message_add_int32(msg, int32_t(uint32_t(a.I)));
            break;
        case 'f':
            lo_message_add_float(msg, a.F);
            break;
        case 's':
            lo_message_add_string(msg, a.S.c_str());
            break;
        case 'b': {
            lo_blob blob = lo_blob_new(int32_t(a.B.size()), a.B.data());
            lo_message_add_blob(msg, blob);
            lo_blob_free(blob);
            break;
        }
        case 'T':
            lo_message_add_true(msg);
            break;
        case 'F':
            lo_message_add_false(msg);
            break;
        case 'I':
            lo_message_add_infinitum(msg);
            break;
        }
    }
    return msg;
}

// The element built and serialised by liblo.
TBytes LoBytes(const TElem& e) {
    std::vector<lo_message> messages;
    std::vector<lo_bundle> bundles;
    std::function<lo_bundle(const TElem&)> build = [&](const TElem& b) {
        lo_bundle bundle = lo_bundle_new(LO_TT_IMMEDIATE);
        bundles.push_back(bundle);
        for (const auto& n : b.Nested) {
            if (n.IsBundle) {
                lo_bundle_add_bundle(bundle, build(n));
            } else {
                lo_message m = LoMessage(n.Messages[0]);
                messages.push_back(m);
                lo_bundle_add_message(bundle, n.Messages[0].Address.c_str(), m);
            }
        }
        return bundle;
    };
    size_t size = 0;
    void* data;
    if (e.IsBundle) {
        data = lo_bundle_serialise(build(e), nullptr, &size);
    } else {
        lo_message m = LoMessage(e.Messages[0]);
        messages.push_back(m);
        data = lo_message_serialise(m, e.Messages[0].Address.c_str(), nullptr, &size);
    }
    TBytes out(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
    free(data);
    if (!bundles.empty())
        lo_bundle_free_recursive(bundles[0]); // with its messages and nested bundles
    else
        lo_message_free(messages[0]);
    return out;
}

int Record(const char* path, const char* types, lo_arg** argv, int argc, lo_message, void* user) {
    std::string s = path;
    for (int k = 0; k < argc; ++k) {
        // liblo's argument union claims 8-byte alignment that its 4-byte slots lack: copy, do not
        // access members.
        int32_t i32 = 0;
        float f32 = 0;
        if (types[k] == 'i' || types[k] == 'f') { // the others may point at nothing
            std::memcpy(&i32, argv[k], 4);
            std::memcpy(&f32, argv[k], 4);
        }
        switch (types[k]) {
        case 'i':
            s += " i:" + std::to_string(i32);
            break;
        case 'f':
            s += " f:" + FloatBits(f32);
            break;
        case 's':
            s += std::string(" s:") + reinterpret_cast<const char*>(argv[k]);
            break;
        case 'b': {
            auto blob = reinterpret_cast<lo_blob>(argv[k]);
            s += " b:" + Hex(static_cast<uint8_t*>(lo_blob_dataptr(blob)), size_t(lo_blob_datasize(blob)));
            break;
        }
        default:
            s += std::string(" ") + types[k];
        }
    }
    static_cast<std::vector<std::string>*>(user)->push_back(s);
    return 0;
}

// A liblo server on a Unix socket in a fresh folder: it is only fed bytes directly, nothing
// travels over a network.
class LibloPeer {
public:
    LibloPeer() {
        char tmpl[] = "/tmp/lumacue-liblo-XXXXXX";
        Dir = mkdtemp(tmpl);
        Path = Dir + "/osc";
        Server = lo_server_new_with_proto(Path.c_str(), LO_UNIX, nullptr);
        if (Server) lo_server_add_method(Server, nullptr, nullptr, Record, &Received);
    }
    ~LibloPeer() {
        if (Server) lo_server_free(Server);
        unlink(Path.c_str());
        rmdir(Dir.c_str());
    }
    std::vector<std::string> Feed(TBytes bytes) {
        Received.clear();
        lo_server_dispatch_data(Server, bytes.data(), bytes.size());
        return Received;
    }
    lo_server Server = nullptr;

private:
    std::string Dir, Path;
    std::vector<std::string> Received;
};

#endif

class OSCLibloTest : public ::testing::Test {
protected:
    void SetUp() override {
#ifndef LUMACUE_HAVE_LIBLO
        GTEST_SKIP() << "liblo (Debian liblo-dev) is not installed: the cross-check against an independent "
                        "OSC implementation did not run";
#endif
        InstallOSCMethods();
    }
};

} // namespace

TEST_F(OSCLibloTest, LibloReadsWhatWeSend) {
#ifdef LUMACUE_HAVE_LIBLO
    LibloPeer peer;
    ASSERT_TRUE(peer.Server);
    for (const auto& packet : PacketTable(true)) {
        std::vector<std::string> expected;
        Flatten(packet, expected);
        EXPECT_EQ(peer.Feed(OursBytes(packet)), expected) << expected[0];
    }
#endif
}

TEST_F(OSCLibloTest, WeReadWhatLibloSends) {
#ifdef LUMACUE_HAVE_LIBLO
    for (const auto& packet : PacketTable(false)) {
        std::vector<std::string> expected;
        Flatten(packet, expected);
        TBytes ours = OursBytes(packet);
        TBytes theirs = LoBytes(packet);
        std::vector<std::string> got;
        std::vector<TBytes> reencoded, original;
        OSCDecodePacket(theirs.data(), theirs.size(), [&](IOSCMethod* m) {
            got.push_back(Canonical(m));
            reencoded.push_back(m->AsOSCBytes());
        });
        OSCDecodePacket(ours.data(), ours.size(),
                        [&](IOSCMethod* m) { original.push_back(m->AsOSCBytes()); });
        EXPECT_EQ(got, expected) << expected[0];
        EXPECT_EQ(reencoded, original) << expected[0];
    }
#endif
}
