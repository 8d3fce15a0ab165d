#include "node/node.h"

#include <direct.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "data/asset.h"
#include "data/parser.h"
#include "tests/support/child.h"
#include "tests/support/console.h"
#include "tests/support/failingwrites.h"
#include "tests/support/scratch.h"
#include "vector/vector3.h"

namespace {

std::string g_Log;

// A node that records its walks and has one field of each kind it saves.
class Recorder : public ovNode {
public:
    explicit Recorder(const char* name) : m_Tag(name) { SetName(name); }

    void Update() override {
        g_Log += "U" + m_Tag + " ";
        ovNode::Update();
    }
    void Reset() override {
        g_Log += "R" + m_Tag + " ";
        ovNode::Reset();
    }
    void Broadcast(uintptr_t a, uintptr_t b) override {
        g_Log += "B" + m_Tag + std::to_string(a) + std::to_string(b) + " ";
        ovNode::Broadcast(a, b);
    }
    void Draw() override {
        g_Log += "D" + m_Tag + " ";
        ovNode::Draw();
    }
    void DeclareFields(datParser& parser) override {
        parser.AddItem(datParser::ItemInt32, "Count", &m_Count);
        parser.AddItem(datParser::ItemFloat, "Speed", &m_Speed);
        parser.AddItem(datParser::ItemVector3, "Offset", &m_Offset);
    }
    void AfterLoad() override { ++m_AfterLoads; }
    void BeforeSave() override { ++m_BeforeSaves; }
    const char* ClassName() override { return "ovRecorder"; }

    std::string m_Tag;
    int m_Count = 0;
    float m_Speed = 0.0f;
    Vector3 m_Offset{0.0f, 0.0f, 0.0f};
    int m_AfterLoads = 0;
    int m_BeforeSaves = 0;
};

std::string Children(const ovNode& parent) {
    std::string names;
    for (ovNode* child = parent.GetChild(1); child; child = child->GetNext()) {
        names += child->GetName();
    }
    return names;
}

TEST(Node, TreeOperations) {
    ConsoleCapture console;
    Recorder parent("P");
    Recorder a("a"), b("b"), c("c"), d("d"), other("o");
    EXPECT_EQ(parent.m_Flags, 3u);
    EXPECT_EQ(a.GetParent(), nullptr);

    EXPECT_FALSE(parent.AddChild(nullptr));
    EXPECT_NE(console.Take().find("ovNode::AddChild()- N=0"), std::string::npos);
    EXPECT_TRUE(parent.AddChild(&a));
    EXPECT_TRUE(parent.AddChild(&c));
    EXPECT_FALSE(other.AddChild(&a));
    EXPECT_NE(console.Take().find("ovNode::AddChild()- Node already parented"), std::string::npos);

    struct Insert {
        int m_Position;
        ovNode* m_Node;
        bool m_Done;
        const char* m_After;
    };
    const Insert inserts[] = {
        {0, &b, false, "ac"}, {4, &b, false, "ac"}, {2, &b, true, "abc"},
        {4, &d, true, "abcd"}, {1, nullptr, false, "abcd"},
    };
    for (const Insert& i : inserts) {
        EXPECT_EQ(parent.InsertChild(i.m_Position, i.m_Node), i.m_Done) << i.m_Position;
        EXPECT_EQ(Children(parent), i.m_After) << i.m_Position;
    }
    EXPECT_EQ(parent.CountChildren(), 4);
    EXPECT_EQ(parent.GetChild(0), &a);
    EXPECT_EQ(parent.GetChild(1), &a);
    EXPECT_EQ(parent.GetChild(4), &d);
    EXPECT_EQ(parent.GetChild(5), nullptr);
    EXPECT_EQ(a.GetPrevious(), nullptr);
    EXPECT_EQ(c.GetPrevious(), &b);
    EXPECT_EQ(parent.GetPrevious(), nullptr);

    EXPECT_FALSE(parent.RemoveChildAt(0));
    EXPECT_FALSE(parent.RemoveChildAt(5));
    EXPECT_TRUE(parent.RemoveChildAt(2));
    EXPECT_EQ(Children(parent), "acd");
    EXPECT_EQ(b.GetParent(), nullptr);
    EXPECT_EQ(b.GetNext(), nullptr);
    EXPECT_FALSE(parent.RemoveChild(&b));
    EXPECT_TRUE(parent.RemoveChild(&d));
    EXPECT_EQ(Children(parent), "ac");
    parent.RemoveAllChildren();
    EXPECT_EQ(parent.CountChildren(), 0);
    EXPECT_FALSE(parent.RemoveChildAt(1));
    EXPECT_EQ(a.GetParent(), nullptr);
    EXPECT_EQ(c.GetParent(), nullptr);
}

// A node sitting in one list, or one above the new parent, would corrupt a list or make the
// walks go round for ever.
TEST(Node, RefusesNodesThatWouldBreakTheTree) {
    ConsoleCapture console;
    Recorder root("r"), child("c"), grandchild("g"), elsewhere("e"), stray("s");
    ASSERT_TRUE(root.AddChild(&child));
    ASSERT_TRUE(child.AddChild(&grandchild));
    ASSERT_TRUE(elsewhere.AddChild(&stray));
    console.Take();

    struct Case {
        ovNode* m_Parent;
        ovNode* m_Node;
        const char* m_Report;
    };
    const Case cases[] = {
        {&root, &root, "Node would become its own descendant"},
        {&grandchild, &root, "Node would become its own descendant"},
        {&root, &stray, "Node already parented"},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(c.m_Parent->AddChild(c.m_Node));
        EXPECT_NE(console.Take().find("ovNode::AddChild()- " + std::string(c.m_Report)),
                  std::string::npos);
        EXPECT_FALSE(c.m_Parent->InsertChild(1, c.m_Node));
        EXPECT_NE(console.Take().find("ovNode::InsertChild()- " + std::string(c.m_Report)),
                  std::string::npos);
    }
    EXPECT_EQ(Children(root), "c");
    EXPECT_EQ(Children(elsewhere), "s");
    EXPECT_EQ(Children(grandchild), "");
}

TEST(Node, WalksSkipInactiveChildrenWhereTheyShould) {
    Recorder root("r"), a("a"), b("b"), c("c"), a1("x");
    root.AddChild(&a);
    root.AddChild(&b);
    root.AddChild(&c);
    a.AddChild(&a1);
    b.m_Flags &= ~ovNode::ACTIVE;

    struct Case {
        void (*m_Walk)(ovNode&);
        const char* m_Log;
    };
    const Case cases[] = {
        {[](ovNode& n) { n.Update(); }, "Ur Ua Ux Uc "},
        {[](ovNode& n) { n.Reset(); }, "Rr Ra Rx Rb Rc "},
        {[](ovNode& n) { n.Broadcast(4, 2); }, "Br42 Ba42 Bx42 Bb42 Bc42 "},
        {[](ovNode& n) { n.Draw(); }, "Dr Da Dx Dc "},
    };
    for (const Case& c : cases) {
        g_Log.clear();
        c.m_Walk(root);
        EXPECT_EQ(g_Log, c.m_Log);
    }
    // With 0x400 the draw walk updates the children, which walk on as updates.
    root.m_Flags |= ovNode::DRAW_UPDATES;
    g_Log.clear();
    root.Draw();
    EXPECT_EQ(g_Log, "Dr Ua Ux Uc ");

    root.ActivateFrom(2);
    EXPECT_EQ(a.m_Flags & ovNode::ACTIVE, 0u);
    EXPECT_EQ(b.m_Flags & ovNode::ACTIVE, ovNode::ACTIVE);
    EXPECT_EQ(c.m_Flags & ovNode::ACTIVE, ovNode::ACTIVE);
}

TEST(Node, DestructionOnlyUnlinks) {
    Recorder root("r"), a("a"), c("c"), x("x"), y("y");
    root.AddChild(&a);
    {
        Recorder b("b");
        root.AddChild(&b);
        root.AddChild(&c);
        b.AddChild(&x);
        b.AddChild(&y);
    }
    EXPECT_EQ(Children(root), "ac");
    EXPECT_EQ(x.GetParent(), nullptr);
    EXPECT_EQ(y.GetParent(), nullptr);
    EXPECT_EQ(x.GetNext(), nullptr);
    EXPECT_TRUE(root.AddChild(&x));
}

class NodeFiles : public ::testing::Test {
protected:
    void SetUp() override {
        CreateDirectoryA(m_Scratch.Path("tune").c_str(), nullptr);
        datAssetManager::SetPath(m_Scratch.Root().c_str());
    }
    void TearDown() override { datAssetManager::SetPath("."); }

    ConsoleCapture m_Console;
    ScratchDir m_Scratch;
};

TEST_F(NodeFiles, SaveAndLoadTheFieldsAsATextTree) {
    Recorder saved("wheel");
    saved.m_Count = 7;
    saved.m_Speed = 2.5f;
    saved.m_Offset = Vector3(1.0f, -2.0f, 3.5f);
    ASSERT_TRUE(saved.Save());
    EXPECT_EQ(saved.m_BeforeSaves, 1);
    std::string text = ReadWholeFile(m_Scratch.Path("tune\\wheel.ovRecorder"));
    EXPECT_EQ(text.substr(0, 8), "type: a\n");
    EXPECT_NE(text.find("Count 7"), std::string::npos);

    Recorder loaded("wheel");
    ASSERT_TRUE(loaded.Load());
    EXPECT_EQ(loaded.m_AfterLoads, 1);
    EXPECT_EQ(loaded.m_Count, 7);
    EXPECT_EQ(loaded.m_Speed, 2.5f);
    EXPECT_EQ(loaded.m_Offset.x, 1.0f);
    EXPECT_EQ(loaded.m_Offset.y, -2.0f);
    EXPECT_EQ(loaded.m_Offset.z, 3.5f);

    Recorder missing("nothing");
    EXPECT_FALSE(missing.Load());
    EXPECT_EQ(missing.m_AfterLoads, 0);

    // A node without a name uses "default".
    Recorder nameless("x");
    nameless.SetName(nullptr);
    EXPECT_EQ(nameless.GetName(), nullptr);
    nameless.m_Count = 3;
    ASSERT_TRUE(nameless.Save());
    EXPECT_TRUE(FileExists(m_Scratch.Path("tune\\default.ovRecorder")));
}

// A save that fails on the way keeps the file it was to replace.
TEST_F(NodeFiles, AFailedSaveKeepsTheOldFile) {
    Recorder node("kept");
    node.m_Count = 1;
    ASSERT_TRUE(node.Save());
    std::string before = ReadWholeFile(m_Scratch.Path("tune\\kept.ovRecorder"));
    node.m_Count = 2;
    {
        FailingWrites failing(10);
        EXPECT_FALSE(node.Save());
    }
    EXPECT_EQ(ReadWholeFile(m_Scratch.Path("tune\\kept.ovRecorder")), before);
}

// Mutated tuning files: a load either reads, reports and goes on, or ends the program with the
// reader's fatal message; it never faults or hangs. Fatal ends need a process each, so a child
// works through the cases in order and the parent starts it again after each fatal one.
const int MutationCases = 1000;

std::string MutatedFile(int index) {
    std::mt19937 random(index);
    auto pick = [&](uint32_t n) { return uint32_t(random() % n); };
    std::string text =
        "type: a\novRecorder {\n  Count 7 \n  Speed 2.500000 \n"
        "  Offset 1.000000\t-2.000000\t3.500000 \n}\n";
    switch (index % 6) {
    case 0:
        for (uint32_t n = 1 + pick(6); n > 0; --n) {
            text[pick(uint32_t(text.size()))] ^= char(1 << pick(8));
        }
        break;
    case 1:
        text.resize(pick(uint32_t(text.size())));
        break;
    case 2: {
        const char* numbers[] = {"99999999999999999999", "-2147483649", "1e99999", "-nan",
                                 "0x7FFFFFFF", "-0"};
        size_t at = text.find(pick(2) ? "7" : "2.5");
        text.replace(at, 1, numbers[pick(6)]);
        break;
    }
    case 3:
        text.insert(text.find("Count"), std::string(200 + pick(5000), 'N') + " 1\n  ");
        break;
    case 4:
        text.insert(text.find('}'), std::string(pick(40), '{') + std::string(pick(40), '}'));
        break;
    default:
        for (uint32_t n = 1 + pick(20); n > 0; --n) {
            text.insert(text.begin() + pick(uint32_t(text.size())), char(random()));
        }
        break;
    }
    return text;
}

const char ScratchVariable[] = "PLATTOR_NODE_SCRATCH";

void IgnoreReport(const char*, ...) {}

TEST_CHILD(LoadMutatedTunings) {
    char scratch[MAX_PATH] = "";
    GetEnvironmentVariableA(ScratchVariable, scratch, sizeof(scratch));
    _chdir(scratch);
    CreateDirectoryA("tune", nullptr);
    datParser::SetReporter(IgnoreReport);
    for (int i = ChildCase(); i < MutationCases; ++i) {
        printf("case %d\n", i);
        fflush(stdout);
        WriteWholeFile("tune\\m.ovRecorder", MutatedFile(i));
        Recorder node("m");
        node.Load();
    }
    printf("all loaded\n");
    return 0;
}

TEST_F(NodeFiles, MutatedFilesLoadOrEndWithAMessage) {
    SetEnvironmentVariableA(ScratchVariable, m_Scratch.Root().c_str());
    int next = 0;
    int fatal = 0;
    for (int runs = 0; runs < MutationCases + 1 && next < MutationCases; ++runs) {
        ChildResult result =
            RunChild("LoadMutatedTunings", "case=" + std::to_string(next), 120000);
        ASSERT_FALSE(result.m_TimedOut) << "from case " << next;
        size_t last = result.m_Output.rfind("case ");
        ASSERT_NE(last, std::string::npos) << result.m_Output;
        int reached = atoi(result.m_Output.c_str() + last + 5);
        if (result.m_ExitCode == 0) {
            EXPECT_NE(result.m_Output.find("all loaded"), std::string::npos);
            break;
        }
        ASSERT_EQ(result.m_ExitCode, 1) << "case " << reached << "\n" << result.m_Output;
        EXPECT_NE(result.m_Output.find("Fatal Error: "), std::string::npos)
            << "case " << reached << "\n" << result.m_Output;
        ++fatal;
        next = reached + 1;
    }
    RecordProperty("fatal", fatal);
}

}  // namespace
