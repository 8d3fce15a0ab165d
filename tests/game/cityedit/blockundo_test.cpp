#include "cityedit/block.h"
#include "cityedit/blockeditor.h"

#include "tests/game/cityedit/blockeditorvalues.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// An editor on a square block whose vertex 0 has x = the number of the last "command", so that
// each state of the block can be told from the others.
class BlockUndo : public ::testing::Test {
protected:
    BlockUndo()
        : m_Block(MakeBlock({Vector3(0, 0, 0), Vector3(10, 0, 0), Vector3(10, 0, 10),
                             Vector3(0, 0, 10)},
                            {{0, 1, 2, 3}})),
          m_Editor(new BlockEditor) {
        m_Editor->SetEditedBlock(m_Block.get(), 1);
    }

    // A command that moves vertex 0 to x = n and leaves one snapshot.
    void Command(int n) {
        m_Editor->BeginUndoGroup();
        m_Block->Vertex(0)->m_Position.x = float(n);
        m_Editor->EndUndoGroup();
    }
    float State() const { return m_Block->Vertex(0)->m_Position.x; }
    // The states that Undo steps back over until it stops, the one it starts at first.
    std::vector<float> UndoAll() {
        std::vector<float> states = {State()};
        for (int i = 0; i < BlockEditor::UNDO_DEPTH + 4; ++i) {
            int position = m_Editor->m_UndoPosition;
            m_Editor->Undo();
            if (m_Editor->m_UndoPosition == position) {
                break;
            }
            states.push_back(State());
        }
        return states;
    }

    BlockEditorBanks m_Banks;
    std::unique_ptr<CityBlock> m_Block;
    std::unique_ptr<BlockEditor> m_Editor;
};

}  // namespace

TEST_F(BlockUndo, KeepsTheLastSixteenCommandsAndUndoesFifteen) {
    for (int n = 1; n <= 20; ++n) {
        Command(n);
    }
    EXPECT_EQ(m_Editor->m_UndoCount, 16);
    EXPECT_EQ(m_Editor->m_UndoPosition, 16);
    std::vector<float> expected;
    for (int n = 20; n >= 5; --n) {
        expected.push_back(float(n));
    }
    EXPECT_EQ(UndoAll(), expected);
    EXPECT_EQ(m_Editor->m_UndoPosition, 1);

    for (int n = 6; n <= 20; ++n) {
        m_Editor->Redo();
        EXPECT_EQ(State(), float(n));
    }
    m_Editor->Redo();
    EXPECT_EQ(State(), 20.0f);
    EXPECT_EQ(m_Editor->m_UndoPosition, 16);
}

TEST_F(BlockUndo, UndoAfterTheFirstCommandDoesNothing) {
    Command(1);
    // A drag after the command is no snapshot of its own, and nothing older can be restored.
    m_Block->Vertex(0)->m_Position.x = 99.0f;
    m_Editor->Undo();
    EXPECT_EQ(State(), 99.0f);
    EXPECT_EQ(m_Editor->m_UndoPosition, 1);
    EXPECT_EQ(m_Editor->m_UndoCount, 1);
}

TEST_F(BlockUndo, ANewCommandAfterUndoDiscardsTheRedoPart) {
    for (int n = 1; n <= 4; ++n) {
        Command(n);
    }
    m_Editor->Undo();
    m_Editor->Undo();
    EXPECT_EQ(State(), 2.0f);
    Command(7);
    EXPECT_EQ(m_Editor->m_UndoCount, 3);
    m_Editor->Redo();
    EXPECT_EQ(State(), 7.0f);
    EXPECT_EQ(UndoAll(), (std::vector<float>{7.0f, 2.0f, 1.0f}));
    EXPECT_EQ(m_Editor->m_Snapshots[3], nullptr);
}

TEST_F(BlockUndo, NestedGroupsLeaveOneSnapshot) {
    m_Editor->BeginUndoGroup();
    m_Editor->BeginUndoGroup();
    m_Block->Vertex(0)->m_Position.x = 1.0f;
    m_Editor->EndUndoGroup();
    EXPECT_EQ(m_Editor->m_UndoCount, 0);
    m_Editor->EndUndoGroup();
    EXPECT_EQ(m_Editor->m_UndoCount, 1);
    EXPECT_EQ(m_Editor->m_UndoNesting, 0);
}

TEST_F(BlockUndo, SnapshotsAreWholeCopiesOfTheBlock) {
    Command(1);
    m_Block->Lot(0)->m_HeightOffset = 4.0f;
    m_Block->AddVertices(1);
    Command(2);
    m_Editor->Undo();
    EXPECT_EQ(m_Block->VertexCount(), 4);
    EXPECT_EQ(m_Block->Lot(0)->m_HeightOffset, 0.0f);
    EXPECT_NE(m_Editor->m_Snapshots[0], m_Block.get());
    m_Editor->Redo();
    EXPECT_EQ(m_Block->VertexCount(), 5);
    EXPECT_EQ(m_Block->Lot(0)->m_HeightOffset, 4.0f);
}

TEST_F(BlockUndo, AnotherBlockEmptiesTheHistoryAndTheSameBlockKeepsIt) {
    Command(1);
    Command(2);
    m_Editor->SetEditedBlock(m_Block.get(), 1);
    EXPECT_EQ(m_Editor->m_UndoCount, 2);
    m_Editor->Undo();
    EXPECT_EQ(State(), 1.0f);

    std::unique_ptr<CityBlock> other(new CityBlock(*m_Block));
    m_Editor->SetEditedBlock(other.get(), 6);
    EXPECT_EQ(m_Editor->m_UndoCount, 0);
    EXPECT_EQ(m_Editor->m_UndoPosition, 0);
    EXPECT_EQ(m_Editor->m_Snapshots[0], nullptr);
    EXPECT_EQ(m_Editor->m_Snapshots[1], nullptr);
    EXPECT_EQ(m_Editor->GetEditedBlock(), other.get());
    EXPECT_EQ(m_Editor->m_Room, 6);
    m_Editor->Redo();
    m_Editor->Undo();
    EXPECT_EQ(State(), 1.0f);
}

// A copy that could not be made leaves its slot empty: Undo and Redo step over it to the
// nearest snapshot that exists, and the block stays as it is when there is none.
TEST_F(BlockUndo, AnEmptySlotIsSteppedOverAndNeverCopied) {
    for (int n = 1; n <= 4; ++n) {
        Command(n);
    }
    delete m_Editor->m_Snapshots[2];
    m_Editor->m_Snapshots[2] = nullptr;
    delete m_Editor->m_Snapshots[0];
    m_Editor->m_Snapshots[0] = nullptr;

    m_Editor->Undo();
    EXPECT_EQ(State(), 2.0f);
    EXPECT_EQ(m_Editor->m_UndoPosition, 2);
    m_Editor->Undo();
    EXPECT_EQ(State(), 2.0f);
    EXPECT_EQ(m_Editor->m_UndoPosition, 2);
    m_Editor->Redo();
    EXPECT_EQ(State(), 4.0f);
    EXPECT_EQ(m_Editor->m_UndoPosition, 4);

    // The slot at the top empty: nothing to redo.
    m_Editor->Undo();
    delete m_Editor->m_Snapshots[3];
    m_Editor->m_Snapshots[3] = nullptr;
    m_Block->Vertex(0)->m_Position.x = 50.0f;
    m_Editor->Redo();
    EXPECT_EQ(State(), 50.0f);
    EXPECT_EQ(m_Editor->m_UndoPosition, 2);
}

TEST_F(BlockUndo, WithoutABlockNothingIsRecordedOrCopied) {
    m_Editor->SetEditedBlock(nullptr, -1);
    m_Editor->BeginUndoGroup();
    m_Editor->EndUndoGroup();
    m_Editor->Undo();
    m_Editor->Redo();
    EXPECT_EQ(m_Editor->m_UndoCount, 0);
    EXPECT_EQ(m_Editor->m_UndoPosition, 0);
}
