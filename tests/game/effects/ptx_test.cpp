// The particle pool: its sprite table, spewing and bursts, the motion of one frame and the
// drawing, on the recording device.
#include "effects/ptx.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "effects/birthrule.h"
#include "gfx/pipeline.h"
#include "gfx/rstate.h"
#include "rgl/rgl.h"
#include "tests/game/effects/ptxfixture.h"
#include "tests/support/child.h"
#include "vector/matrix34.h"

namespace {

TEST(SpriteTable, RotatesTheCornersAndMapsEachFrameOfTheSheet) {
    SpriteTable table;
    table.Init(4, SpriteTable::DefaultTemplate, SpriteTable::R, 2, 2);
    EXPECT_EQ(table.FrameCount(), 4);
    struct Corner {
        int m_Step, m_Corner;
        float x, y;
    };
    const Corner corners[] = {
        {0, 0, -1, -1}, {0, 2, 1, 1}, {8, 0, 1, -1}, {8, 1, 1, 1}, {16, 0, 1, 1}, {24, 3, 1, 1}, {24, 0, -1, 1},
    };
    for (const Corner& c : corners) {
        EXPECT_NEAR(table.m_Rotated[c.m_Step][c.m_Corner][0], c.x, 1e-5f) << c.m_Step;
        EXPECT_NEAR(table.m_Rotated[c.m_Step][c.m_Corner][1], c.y, 1e-5f) << c.m_Step;
    }
    struct Frame {
        int m_Frame, m_Corner;
        float u, v;
    };
    const Frame frames[] = {
        {0, 0, 0, 0}, {0, 2, 0.5f, 0.5f}, {1, 0, 0.5f, 0}, {2, 0, 0, 0.5f},
        {3, 0, 0.5f, 0.5f}, {3, 2, 1, 1}, {3, 3, 0.5f, 1},
    };
    for (const Frame& f : frames) {
        EXPECT_EQ(table.m_Frames[f.m_Frame][2 * f.m_Corner], f.u) << f.m_Frame;
        EXPECT_EQ(table.m_Frames[f.m_Frame][2 * f.m_Corner + 1], f.v) << f.m_Frame;
    }

    // Three corners take the first three of the template.
    table.Init(3, SpriteTable::DefaultTemplate, SpriteTable::R, 1, 1);
    EXPECT_EQ(table.vc, 3);
    EXPECT_EQ(table.m_Frames[0][4], 1.0f);
}

TEST_CHILD(FiveCorners) {
    SpriteTable table;
    table.Init(5, SpriteTable::DefaultTemplate, SpriteTable::R, 1, 1);
    return 0;
}

TEST_CHILD(EmptySheet) {
    SpriteTable table;
    table.Init(4, SpriteTable::DefaultTemplate, SpriteTable::R, 0, 2);
    return 0;
}

TEST(SpriteTable, CornerCountsOtherThanThreeOrFourAndEmptySheetsAreFatal) {
    ExpectFatalChildren({{"FiveCorners", "Assert(vc == 3 || vc == 4) failed in [effects/ptx,"},
                         {"EmptySheet", "Assert(columns > 0 && rows > 0) failed"}});
}

TEST_F(Particles, OneFrameMovesUnderGravityDragAndWind) {
    struct Case {
        Vector3 m_Velocity, m_Wind;
        float m_Drag, m_Mass;
        Vector3 m_After;
    };
    // w = v + wind = (4, 0, 3), |w| = 5: the drag takes w * 5 * drag / mass per second.
    const Case cases[] = {
        {Vector3(0, 0, 0), Vector3(0, 0, 0), 0.0f, 1.0f, Vector3(0, -0.163333f, 0)},
        {Vector3(3, 0, 4), Vector3(1, 0, -1), 0.5f, 1.0f,
         Vector3(3 - 10.0f / 60, -0.163333f, 4 - 7.5f / 60)},
        {Vector3(3, 0, 4), Vector3(1, 0, -1), 0.5f, 2.0f,
         Vector3(3 - 5.0f / 60, -0.163333f, 4 - 3.75f / 60)},
    };
    for (const Case& c : cases) {
        m_Rule.Gravity = -9.8f;
        m_Rule.Velocity = c.m_Velocity;
        m_Rule.Drag = c.m_Drag;
        m_Rule.Mass = c.m_Mass;
        m_System->m_Wind = c.m_Wind;
        m_System->Reset();
        m_System->Blast(1, false);
        m_System->Update();
        const Vector3& v = m_System->Particle(0).m_Velocity;
        EXPECT_NEAR(v.x, c.m_After.x, 1e-5f);
        EXPECT_NEAR(v.y, c.m_After.y, 1e-5f);
        EXPECT_NEAR(v.z, c.m_After.z, 1e-5f);
        const Vector3& p = m_System->Sprite(0).m_Position;
        EXPECT_NEAR(p.y, -0.0027222f, 1e-6f) << "moved by the new velocity";
        EXPECT_NEAR(p.x, c.m_After.x / 60, 1e-6f);
    }
}

TEST_F(Particles, GroundBouncesAndSplashes) {
    m_Rule.Gravity = -9.8f;
    m_Rule.Height = 0.0f;
    m_Rule.Radius = 1.0f;
    m_Rule.Damp = 0.5f;
    m_Rule.Position = Vector3(0, 0.5f, 0);
    m_Rule.Velocity = Vector3(1, -2, 0);
    m_Rule.BirthFlags = ovBirthRule::Bounces;
    m_System->Blast(1, false);
    m_System->Update();
    EXPECT_EQ(m_System->Sprite(0).m_Position.y, 0.0f) << "put on the ground";
    EXPECT_NEAR(m_System->Particle(0).m_Velocity.y, 0.5f * (2 + 0.163333f), 1e-5f);
    EXPECT_NEAR(m_System->Particle(0).m_Velocity.x, 0.5f, 1e-6f) << "all of it damped";

    // Rising again from the ground it is within ground + radius but keeps going up.
    m_System->Update();
    EXPECT_EQ(m_System->Sprite(0).m_Position.y, 0.0f);
    EXPECT_GT(m_System->Particle(0).m_Velocity.y, 0.0f);

    m_System->Reset();
    m_Rule.BirthFlags = ovBirthRule::Splashes | ovBirthRule::Bounces;
    m_Rule.Position = Vector3(0, 0.01f, 0);
    m_System->Blast(1, false);
    m_System->Update();
    ASSERT_EQ(m_System->GetLiveCount(), 1) << "parked this frame";
    const ParticleRecord& p = m_System->Particle(0);
    EXPECT_EQ(m_System->Sprite(0).m_Position.y, 0.0f);
    EXPECT_EQ(p.m_Life, 0.0f);
    EXPECT_EQ(p.m_Velocity.Mag2(), 0.0f);
    EXPECT_EQ(p.m_InvMass, 0.0f);
    EXPECT_EQ(p.m_Gravity, 0.0f);
    m_System->Update();
    EXPECT_EQ(m_System->GetLiveCount(), 0) << "gone the next";
}

// A particle that dies makes room for the last one, which is handled in the same pass.
TEST_F(Particles, DeadParticlesAreReplacedByTheLastAndItIsUpdatedToo) {
    struct Case {
        const char* m_Why;
        void (*m_Kill)(ParticleRecord&, ParticleSprite&);
    };
    const Case cases[] = {
        {"life ends", [](ParticleRecord& p, ParticleSprite&) { p.m_Life = 0.01f; }},
        {"fell below -50", [](ParticleRecord&, ParticleSprite& s) { s.m_Position.y = -50.5f; }},
        {"transparent", [](ParticleRecord&, ParticleSprite& s) { s.m_Color &= 0x00FFFFFF; }},
    };
    for (const Case& c : cases) {
        m_System->Reset();
        m_System->Blast(3, false);
        m_System->Sprite(2).m_Position.x = 7.0f;
        m_System->Particle(2).m_Velocity.Set(0, 6, 0);
        c.m_Kill(m_System->Particle(0), m_System->Sprite(0));
        m_System->Update();
        ASSERT_EQ(m_System->GetLiveCount(), 2) << c.m_Why;
        EXPECT_EQ(m_System->Sprite(0).m_Position.x, 7.0f) << c.m_Why;
        EXPECT_NEAR(m_System->Sprite(0).m_Position.y, 0.1f, 1e-6f) << c.m_Why << ": moved";
        EXPECT_NEAR(m_System->Particle(0).m_Life, 100.0f - 1.0f / 60, 1e-4f) << c.m_Why;
    }
    // All of them at once: the pass empties the pool.
    m_System->Reset();
    m_System->Blast(5, false);
    for (int i = 0; i < 5; ++i) {
        m_System->Particle(i).m_Life = 0.0f;
    }
    m_System->Update();
    EXPECT_EQ(m_System->GetLiveCount(), 0);
}

TEST_F(Particles, ColourRotationAndSizeChangePerSixtiethOfASecond) {
    m_Rule.Color[0] = 200;
    m_Rule.Color[1] = 100;
    m_Rule.Color[2] = 51;
    m_Rule.DRotation = 3;
    m_Rule.DRadius = 0.25f;
    struct Case {
        uint8_t m_Alpha;
        int m_DAlpha;
        uint32_t m_AlphaAfter;
    };
    // Fading in saturates at 255 instead of wrapping to nearly transparent; fading out stops
    // at 0.
    const Case cases[] = {{200, 40, 240}, {200, 64, 255}, {30, -64, 0}, {0, 10, 0}, {90, 0, 90}};
    for (const Case& c : cases) {
        m_Rule.Color[3] = c.m_Alpha;
        m_Rule.DAlpha = c.m_DAlpha;
        m_System->Reset();
        m_System->m_Intensity = 0.5f;
        m_System->Blast(1, false);
        m_System->Sprite(0).m_Color |= 0xFF000000;  // alive this frame whatever the rule says
        m_System->Update();
        ASSERT_EQ(m_System->GetLiveCount(), 1) << int(c.m_Alpha);
        EXPECT_EQ(m_System->Sprite(0).m_Color, c.m_AlphaAfter << 24 | 100 << 16 | 50 << 8 | 25)
            << int(c.m_Alpha) << " " << c.m_DAlpha;
        EXPECT_EQ(m_System->Sprite(0).m_Rotation, 3);
        EXPECT_NEAR(m_System->Sprite(0).m_Radius, 1.25f, 1e-5f);
    }
    // A particle faded out is removed at the next frame.
    m_System->Update();
    EXPECT_EQ(m_System->GetLiveCount(), 1) << "the last case keeps its alpha";
    m_Rule.Color[3] = 30;
    m_Rule.DAlpha = -64;
    m_System->Reset();
    m_System->Blast(1, false);
    Updates(2);
    EXPECT_EQ(m_System->GetLiveCount(), 0);
}

TEST_F(Particles, CycledFramesRunFromStartToBeforeEndAndRandomOnesStayOnTheSheet) {
    Make(64, 3, 2, 4);
    m_Rule.TexFrameStart = 2;
    m_Rule.TexFrameEnd = 5;
    m_Rule.BirthFlags = ovBirthRule::CycleFrames;
    m_System->Blast(1, false);
    std::vector<int> frames{m_System->Sprite(0).m_Frame};
    for (int i = 0; i < 5; ++i) {
        m_System->Update();
        frames.push_back(m_System->Sprite(0).m_Frame);
    }
    EXPECT_EQ(frames, (std::vector<int>{2, 3, 4, 2, 3, 4}));

    struct Case {
        int m_Columns, m_Rows, m_Start, m_End;
        std::set<int> m_Frames;
    };
    // Frames past the sheet are held at its last; an end before the start gives the start.
    const Case cases[] = {
        {3, 2, 2, 5, {2, 3, 4, 5}},
        {2, 2, 2, 5, {2, 3}},
        {3, 2, 5, 4, {5}},
        {2, 2, 200, 100, {3}},
        {2, 2, 0, 0, {0}},
    };
    m_Rule.BirthFlags = 0;
    for (const Case& c : cases) {
        Make(64, c.m_Columns, c.m_Rows, 4);
        m_Rule.TexFrameStart = c.m_Start;
        m_Rule.TexFrameEnd = c.m_End;
        m_System->Blast(64, false);
        std::set<int> seen;
        for (int i = 0; i < 64; ++i) {
            seen.insert(m_System->Sprite(i).m_Frame);
        }
        EXPECT_EQ(seen, c.m_Frames) << c.m_Start << ".." << c.m_End;
    }
}

TEST_F(Particles, SpewingCarriesTheRemainderAndStopsAtTheTimeLimit) {
    m_Rule.SpewRate = 2.5f;
    int first = 0;
    for (int frame = 1; frame <= 240; ++frame) {
        m_System->Update();
        if (!first && m_System->GetLiveCount()) {
            first = frame;
        }
    }
    EXPECT_NEAR(m_System->GetLiveCount(), 10, 1);
    EXPECT_TRUE(first == 24 || first == 25) << first;

    Make(1000, 2, 2, 4);
    m_Rule.SpewRate = 30.0f;
    m_Rule.SpewTimeLimit = 3.0f;
    Updates(300);
    EXPECT_NEAR(m_System->GetLiveCount(), 90, 1);
    m_System->Reset();
    Updates(60);
    EXPECT_NEAR(m_System->GetLiveCount(), 30, 1) << "spews again after a reset";

    // A rate far past the pool fills it and no more.
    m_Rule.SpewRate = 1e30f;
    m_Rule.SpewTimeLimit = 0.0f;
    Updates(2);
    EXPECT_EQ(m_System->GetLiveCount(), 1000);
}

TEST_F(Particles, BurstsFillOnlyTheFreeSlots) {
    m_System->Blast(60, false);
    m_System->Blast(100, false);
    EXPECT_EQ(m_System->GetLiveCount(), 64);
    m_System->Blast(-5, false);
    EXPECT_EQ(m_System->GetLiveCount(), 64);

    m_System->SetBirthRule(nullptr);
    m_System->Reset();
    m_System->Blast(1, false);
    EXPECT_NE(m_Console.Take().find("Error: ovParticles::Blast()- No BirthRule"),
              std::string::npos);
    m_System->Blast(1, true);
    EXPECT_EQ(m_Console.Take(), "");
    EXPECT_EQ(m_System->GetLiveCount(), 0);

    // Positions are moved by the emitter; velocities are not turned.
    m_System->SetBirthRule(&m_Rule);
    m_Rule.Position = Vector3(1, 0, 0);
    m_Rule.Velocity = Vector3(1, 0, 0);
    Matrix34 emitter = Matrix34::sm_Identity;
    emitter.RotateY(3.14159265f / 2);
    emitter.d.Set(10, 20, 30);
    m_System->SetEmitter(&emitter);
    m_System->Blast(1, false);
    Vector3 expected(1, 0, 0);
    expected.Transform(emitter);
    EXPECT_EQ(m_System->Sprite(0).m_Position.x, expected.x);
    EXPECT_EQ(m_System->Sprite(0).m_Position.z, expected.z);
    EXPECT_EQ(m_System->Sprite(0).m_Position.y, 20.0f);
    EXPECT_EQ(m_System->Particle(0).m_Velocity.x, 1.0f);
    m_System->Reset();
    m_System->Blast(1, false);
    EXPECT_EQ(m_System->Sprite(0).m_Position.x, 1.0f) << "a reset forgets the emitter";
}

TEST_F(Particles, ASoftwareDeviceGetsAQuarterOfThePoolAndAThirdOfTheLife) {
    gfxUseSoftware = true;
    Make(64, 2, 2, 4);
    m_System->Blast(64, false);
    EXPECT_EQ(m_System->GetCapacity(), 16);
    EXPECT_EQ(m_System->GetLiveCount(), 16);
    EXPECT_NEAR(m_System->Particle(0).m_Life, 33.3f, 1e-4f);
    gfxUseSoftware = false;
}

TEST_F(Particles, CullDrawsGroundCopiesThenCameraFacingFans) {
    m_System->Blast(1, false);
    m_System->Cull();
    EXPECT_NE(m_Console.Take().find("Error: ovParticles::Cull: Null texture"), std::string::npos);
    rglEndFrame();
    EXPECT_TRUE(Drawn().empty());

    // A camera looking along +x: its right is -z... here right (0, 0, 1), up (0, 1, 0).
    Matrix34 camera = Matrix34::sm_Identity;
    camera.a.Set(0, 0, 1);
    camera.c.Set(-1, 0, 0);
    camera.d.Set(10, 0, 0);
    gfxSetCamera(camera);
    m_System->AttachTexture(m_Texture.get());
    EXPECT_EQ(m_Texture->m_RefCount, 2u);
    m_System->Reset();
    m_Rule.Radius = 2.0f;
    m_Rule.Position = Vector3(1, 3, 5);
    m_Rule.Height = 1.0f;
    m_Rule.Color[0] = 0xFF;
    m_Rule.Color[1] = 0x40;
    m_Rule.Color[2] = 0x20;
    m_Rule.Color[3] = 0x80;
    m_Rule.TexFrameStart = m_Rule.TexFrameEnd = 3;
    m_Rule.BirthFlags = ovBirthRule::Shadow;
    m_System->Blast(1, false);
    m_System->Sprite(0).m_Rotation = 8;  // a quarter turn: corner 0 at (1, -1)
    m_Rule.BirthFlags = ovBirthRule::Shadow;
    m_Rule.Position = Vector3(0, 1.005f, 0);  // too near its ground for a copy
    m_Rule.TexFrameStart = m_Rule.TexFrameEnd = 9;  // past the sheet: drawn as frame 3
    m_System->Blast(1, false);
    m_System->Cull();
    rglBegin(RGL_LINES);
    rglVertex(0, 0, 0);
    rglVertex(1, 1, 1);
    rglEnd();
    rglEndFrame();

    std::vector<RglDrawn> drawn = Drawn();
    ASSERT_EQ(drawn.size(), 4u) << "one copy, two sprites, the line after";
    EXPECT_EQ(gfxCurrentState.m_Texture[0], m_Texture.get());
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(drawn[i].m_Type, unsigned(RGL_TRIANGLE_FAN));
        ASSERT_EQ(drawn[i].m_Vertices.size(), 4u);
    }
    const RglDrawn& copy = drawn[0];
    EXPECT_EQ(copy.m_Vertices[0].m_Colour, 0x8010207Fu);
    struct Corner {
        float x, y, z, u, v;
    };
    // The copy lies flat on its ground: (P.x + s x, ground, P.z + s y) of the turned corners.
    const Corner flat[] = {{3, 1, 3, 0.5f, 0.5f}, {3, 1, 7, 1, 0.5f}, {-1, 1, 7, 1, 1},
                           {-1, 1, 3, 0.5f, 1}};
    // The sprite: P + s x right + s y up.
    const Corner upright[] = {{1, 1, 7, 0.5f, 0.5f}, {1, 5, 7, 1, 0.5f}, {1, 5, 3, 1, 1},
                              {1, 1, 3, 0.5f, 1}};
    for (int k = 0; k < 4; ++k) {
        const RglDrawn* fans[2] = {&copy, &drawn[1]};
        const Corner* expected[2] = {flat, upright};
        for (int f = 0; f < 2; ++f) {
            const RglDrawnVertex& v = fans[f]->m_Vertices[k];
            const Corner& e = expected[f][k];
            EXPECT_NEAR(v.x, e.x, 1e-5f) << k;
            EXPECT_NEAR(v.y, e.y, 1e-5f) << k;
            EXPECT_NEAR(v.z, e.z, 1e-5f) << k;
            EXPECT_EQ(v.u, e.u) << k;
            EXPECT_EQ(v.v, e.v) << k;
        }
    }
    EXPECT_EQ(drawn[1].m_Vertices[0].m_Colour, 0x80FF4020u);
    EXPECT_EQ(drawn[2].m_Vertices[2].u, 1.0f) << "frame 9 held at the sheet's last";
    EXPECT_EQ(drawn[2].m_Vertices[0].u, 0.5f);
    EXPECT_EQ(drawn[3].m_Vertices[0].m_Colour, 0xFFFFFFFFu) << "colour set back";

    // Three corners a sprite.
    Make(8, 1, 1, 3);
    m_System->AttachTexture(m_Texture.get());
    m_System->Blast(2, false);
    m_Capture.Forget();
    m_System->Cull();
    rglEndFrame();
    drawn = Drawn();
    ASSERT_EQ(drawn.size(), 2u);
    EXPECT_EQ(drawn[0].m_Vertices.size(), 3u);
}

TEST_F(Particles, TexturesAreHeldByCountedReference) {
    m_System->AttachTexture(m_Texture.get());
    m_System->AttachTexture(m_Texture.get());
    EXPECT_EQ(m_Texture->m_RefCount, 2u) << "attaching the held texture again";
    m_System->Blast(3, false);
    m_System->SetTexture("no_such_texture");
    EXPECT_NE(m_Console.Take().find("Error: ovParticles::SetTexture: 'no_such_texture' not found"),
              std::string::npos);
    EXPECT_EQ(m_System->GetTexture(), nullptr);
    EXPECT_EQ(m_Texture->m_RefCount, 1u);
    EXPECT_EQ(m_System->GetLiveCount(), 0);
    m_System->AttachTexture(m_Texture.get());
    m_System.reset();
    EXPECT_EQ(m_Texture->m_RefCount, 1u) << "released by the destructor";
}

}  // namespace
