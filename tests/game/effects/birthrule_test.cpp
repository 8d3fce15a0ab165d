// Birth rules: the spawning of one particle from the side random stream, the text block and
// the parameter tree.
#include "effects/birthrule.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "data/asset.h"
#include "data/stream.h"
#include "data/token.h"
#include "effects/ptx.h"
#include "tests/support/child.h"
#include "tests/support/console.h"
#include "tests/support/scratch.h"
#include "vector/random.h"

namespace {

// Every field of the rule set to a value of its own that "%f" writes exactly.
void FillAll(ovBirthRule& r) {
    r.Position = Vector3(1, 2, 3);
    r.PositionVar = Vector3(0.5f, 0.25f, 0.125f);
    r.Velocity = Vector3(-4, 5, -6);
    r.VelocityVar = Vector3(7, 8, 9);
    r.Life = 1.5f;
    r.LifeVar = 0.75f;
    r.Mass = 2.5f;
    r.MassVar = 0.5f;
    r.Radius = 3.25f;
    r.RadiusVar = 0.0625f;
    r.Drag = 0.375f;
    r.DragVar = 0.03125f;
    r.Damp = 0.875f;
    r.DampVar = 0.25f;
    r.DRadius = 0.015625f;
    r.DRadiusVar = 0.5f;
    r.DAlpha = -12;
    r.DAlphaVar = 6;
    r.DRotation = 9;
    r.DRotationVar = 4;
    r.InitialBlast = 33;
    r.SpewRate = 12.5f;
    r.SpewTimeLimit = 4.0f;
    r.Gravity = -3.5f;
    r.TexFrameStart = 1;
    r.TexFrameEnd = 3;
    r.BirthFlags = 0x13;
    r.Height = -2.75f;
    r.Intensity = 0.5f;
    r.Color[0] = 10;
    r.Color[1] = 20;
    r.Color[2] = 30;
    r.Color[3] = 250;
}

// The fields in the text block, then the six that only the parameter tree holds.
std::string TextFields(const ovBirthRule& r) {
    char text[1024];
    snprintf(text, sizeof(text),
             "%g %g %g|%g %g %g|%g %g %g|%g %g %g|%g %g %g %g %g %g %g %g %g|%d %d %d %d %d|"
             "%g %g %g|%d %d %d",
             r.Position.x, r.Position.y, r.Position.z, r.PositionVar.x, r.PositionVar.y,
             r.PositionVar.z, r.Velocity.x, r.Velocity.y, r.Velocity.z, r.VelocityVar.x,
             r.VelocityVar.y, r.VelocityVar.z, r.Life, r.Mass, r.MassVar, r.Radius, r.RadiusVar,
             r.Drag, r.DragVar, r.DRadius, r.DRadiusVar, r.DAlpha, r.DAlphaVar, r.DRotation,
             r.DRotationVar, r.InitialBlast, r.SpewRate, r.SpewTimeLimit, r.Gravity,
             r.TexFrameStart, r.TexFrameEnd, r.BirthFlags);
    return text;
}

std::string TreeOnlyFields(const ovBirthRule& r) {
    char text[256];
    snprintf(text, sizeof(text), "%g %g %g %g %g %d %d %d %d", r.LifeVar, r.Damp, r.DampVar,
             r.Height, r.Intensity, r.Color[0], r.Color[1], r.Color[2], r.Color[3]);
    return text;
}

class BirthRuleFiles : public ::testing::Test {
protected:
    void SetUp() override {
        CreateDirectoryA(m_Scratch.Path("tune").c_str(), nullptr);
        CreateDirectoryA(m_Scratch.Path("tune\\effects").c_str(), nullptr);
        datAssetManager::SetPath(m_Scratch.Root().c_str());
    }
    void TearDown() override { datAssetManager::SetPath("."); }

    std::string WriteBlock(ovBirthRule& rule, int indent) {
        std::string path = m_Scratch.Path("block.txt");
        Stream* stream = StreamCreate(path.c_str());
        EXPECT_NE(stream, nullptr);
        TokenReader writer(path.c_str(), stream);
        rule.WriteText(&writer, indent);
        StreamClose(stream);
        return ReadWholeFile(path);
    }
    void ReadBlock(ovBirthRule& rule, const std::string& text) {
        std::string path = m_Scratch.Path("read.txt");
        WriteWholeFile(path, text);
        Stream* stream = StreamOpen(path.c_str());
        ASSERT_NE(stream, nullptr);
        TokenReader reader(path.c_str(), stream);
        rule.ReadText(&reader);
        EXPECT_EQ(reader.GetToken(m_Token, sizeof(m_Token)), 4) << "what follows the block";
        EXPECT_STREQ(m_Token, "next");
        StreamClose(stream);
    }

    char m_Token[64] = "";
    ConsoleCapture m_Console;
    ScratchDir m_Scratch;
};

TEST_F(BirthRuleFiles, TheTextBlockHoldsTwentyFourFieldsAndReadsBackByPosition) {
    ovBirthRule written;
    FillAll(written);
    std::string text = WriteBlock(written, 0);
    EXPECT_EQ(text.substr(0, 49), "BirthRule {\nPosition 1.000000\t2.000000\t3.000000 \n");
    EXPECT_NE(text.find("\nLife 1.500000 \nMass 2.500000 \n"), std::string::npos);
    EXPECT_NE(text.find("\nDAlpha -12 \n"), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 17), "\nBirthFlags 19 \n}");
    for (const char* absent : {"LifeVar", "Damp ", "DampVar", "Height", "Intensity", "Color"}) {
        EXPECT_EQ(text.find(absent), std::string::npos) << absent;
    }
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 25);

    std::string indented = WriteBlock(written, 3);
    EXPECT_EQ(indented.substr(0, 15), "BirthRule {\n   ");
    EXPECT_NE(indented.find("\n   SpewRate 12.500000 \n"), std::string::npos);
    EXPECT_EQ(indented.substr(indented.size() - 6), " \n   }");

    struct Case {
        const char* m_Why;
        std::string m_Text;
    };
    std::string relabelled = text;
    relabelled.replace(relabelled.find("Life"), 4, "Xyzw");
    const Case cases[] = {{"as written", text}, {"indented", indented}, {"other labels", relabelled}};
    for (const Case& c : cases) {
        ovBirthRule read;
        read.LifeVar = 7.0f;
        ReadBlock(read, c.m_Text + "\nnext");
        EXPECT_EQ(TextFields(read), TextFields(written)) << c.m_Why;
        EXPECT_EQ(TreeOnlyFields(read), TreeOnlyFields(ovBirthRule())
                                            .replace(0, 1, "7")) << c.m_Why << ": kept";
    }
}

TEST_F(BirthRuleFiles, TheParameterTreeHoldsAllThirtyFields) {
    ovBirthRule saved;
    saved.SetName("dust");
    FillAll(saved);
    ASSERT_TRUE(saved.Save());
    std::string text = ReadWholeFile(m_Scratch.Path("tune\\effects\\dust.ovBirthRule"));
    ASSERT_FALSE(text.empty());
    const char* order[] = {"Position", "PositionVar", "Velocity", "VelocityVar", "Life",
                           "LifeVar", "Mass", "MassVar", "Radius", "RadiusVar", "Drag", "DragVar",
                           "Damp", "DampVar", "DRadius", "DRadiusVar", "DAlpha", "DAlphaVar",
                           "DRotation", "DRotationVar", "InitialBlast", "SpewRate",
                           "SpewTimeLimit", "Gravity", "TexFrameStart", "TexFrameEnd",
                           "BirthFlags", "Height", "Intensity", "Color"};
    size_t at = 0;
    for (const char* name : order) {
        size_t found = text.find(std::string(" ") + name + " ", at);
        ASSERT_NE(found, std::string::npos) << name << " in order";
        at = found + 1;
    }
    EXPECT_NE(text.find(" Color " + std::to_string(10 | 20 << 8 | 30 << 16 | 250 << 24)),
              std::string::npos) << "the colour as one integer\n" << text;

    ovBirthRule loaded;
    loaded.SetName("dust");
    ASSERT_TRUE(loaded.Load());
    EXPECT_EQ(TextFields(loaded), TextFields(saved));
    EXPECT_EQ(TreeOnlyFields(loaded), TreeOnlyFields(saved));
}

TEST(BirthRule, StartsWithItsDefaults) {
    ovBirthRule r;
    EXPECT_EQ(TextFields(r), "0 0 0|0 0 0|0 0 0|0 0 0|1 1 0 1 0 0 0 0 0|0 0 0 0 0|0 0 -9.8|0 0 0");
    EXPECT_EQ(TreeOnlyFields(r), "0 1 0 0 1 255 255 255 255");
    EXPECT_STREQ(r.ClassName(), "ovBirthRule");
    EXPECT_STREQ(r.Directory(), "tune/effects");
}

// Spawning draws from the side stream only: the sequence everyone else sees is the same with
// and without a burst between.
TEST(BirthRule, BurstsLeaveTheMainRandomSequenceAlone) {
    ovBirthRule rule;
    FillAll(rule);
    ovParticles system;
    system.Init(16, 2, 2, 4, nullptr);
    system.SetBirthRule(&rule);
    int plain[8], withBurst[8];
    RandomReset();
    for (int& r : plain) {
        r = RandomNext();
    }
    RandomReset();
    for (int i = 0; i < 8; ++i) {
        if (i == 3) {
            system.Blast(10, false);
        }
        withBurst[i] = RandomNext();
    }
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(plain[i], withBurst[i]) << i;
    }
    // And the side stream goes on: the next burst is not a copy of the last.
    system.Blast(1, false);
    EXPECT_NE(system.Particle(10).m_Velocity.x, system.Particle(9).m_Velocity.x);
}

// The side stream as the generator makes it, from its state at program start.
struct SideStream {
    uint32_t m_Seed = 0;
    int Next() {
        m_Seed = m_Seed * 214013u + 2531011u;
        return int((m_Seed >> 16) & 0x7FFF);
    }
    float Float() { return float(Next()) * 3.0517578e-5f; }
    float Varied(float value, float variation) { return value + (Float() - 0.5f) * variation; }
};

int Mismatch(const char* field, double got, double expected) {
    if (got == expected) {
        return 0;
    }
    printf("%s: %.9g, expected %.9g\n", field, got, expected);
    return 1;
}

// A fresh process, so that the side stream is where the generator starts it.
TEST_CHILD(SpawnDrawOrder) {
    ovBirthRule r;
    FillAll(r);
    SideStream side;
    int wrong = 0;
    for (bool cycling : {false, true}) {
        r.BirthFlags = cycling ? ovBirthRule::CycleFrames : 0;
        ParticleRecord p;
        ParticleSprite s;
        r.Spawn(p, s);
        wrong += Mismatch("velocity x", p.m_Velocity.x, side.Varied(-4, 7));
        wrong += Mismatch("velocity y", p.m_Velocity.y, side.Varied(5, 8));
        wrong += Mismatch("velocity z", p.m_Velocity.z, side.Varied(-6, 9));
        wrong += Mismatch("inverse mass", p.m_InvMass, 1.0f / side.Varied(2.5f, 0.5f));
        wrong += Mismatch("life", p.m_Life, side.Varied(1.5f, 0.75f));
        wrong += Mismatch("drag", p.m_Drag, side.Varied(0.375f, 0.03125f));
        wrong += Mismatch("damping", p.m_Damp, side.Varied(0.875f, 0.25f));
        wrong += Mismatch("frame", s.m_Frame, cycling ? 1 : 1 + side.Next() % 3);
        wrong += Mismatch("radius", s.m_Radius, side.Varied(3.25f, 0.0625f));
        wrong += Mismatch("position x", s.m_Position.x, side.Varied(1, 0.5f));
        wrong += Mismatch("position y", s.m_Position.y, side.Varied(2, 0.25f));
        wrong += Mismatch("position z", s.m_Position.z, side.Varied(3, 0.125f));
        wrong += Mismatch("radius change", p.m_DRadius, side.Varied(0.015625f, 0.5f));
        wrong += Mismatch("alpha change", p.m_DAlpha, int8_t(int(side.Varied(-12, 6))));
        wrong += Mismatch("rotation change", p.m_DRotation, int8_t(int(side.Varied(9, 4))));
        wrong += Mismatch("flags", s.m_Flags, r.BirthFlags);
        wrong += Mismatch("first frame", p.m_FirstFrame, 1);
        wrong += Mismatch("last frame", p.m_LastFrame, 3);
        wrong += Mismatch("rotation", s.m_Rotation, 0);
        wrong += Mismatch("colour", s.m_Color, 0xFA0A141Eu);
        wrong += Mismatch("alpha", p.m_Alpha, 250);
        wrong += Mismatch("gravity", p.m_Gravity, -3.5f);
        wrong += Mismatch("ground", s.m_GroundHeight, -2.75f);
    }
    printf("%d wrong\n", wrong);
    return wrong ? 2 : 0;
}

TEST(BirthRule, SpawnDrawsEachValueFromTheSideStreamInItsOrder) {
    ChildResult result = RunChild("SpawnDrawOrder");
    EXPECT_EQ(result.m_ExitCode, 0) << result.m_Output;
    EXPECT_NE(result.m_Output.find("0 wrong"), std::string::npos) << result.m_Output;
}

void RedHook(ParticleRecord& p, ParticleSprite& s) {
    p.m_Red = 1;
    s.m_Radius = 42.0f;
}

TEST(BirthRule, MassesOfZeroOrLessFallWithoutDragAndTheHookHasTheLastWord) {
    ovBirthRule r;
    ParticleRecord p;
    ParticleSprite s;
    for (float mass : {0.0f, -1.0f}) {
        r.Mass = mass;
        r.Spawn(p, s);
        EXPECT_EQ(p.m_InvMass, 0.0f) << mass;
    }
    r.m_SpawnHook = RedHook;
    r.Spawn(p, s);
    EXPECT_EQ(p.m_Red, 1);
    EXPECT_EQ(s.m_Radius, 42.0f);
}

}  // namespace
