// The control models on their own: the spin buttons' remembered value, clamping and events,
// the edit's change event, the drop-down list's selection.
#include "core/controls.h"

#include <gtest/gtest.h>

#include <random>

namespace marble {
namespace {

struct SpinWithEdit {
    SpinWithEdit(int16_t min, int16_t max, int16_t position) : spin("UpDown", nullptr, min, max, position) {
        edit.SetText(std::to_string(position));
        spin.SetAssociate(&edit);
        edit.OnChange = [this](TObject*) { changes.push_back(edit.Text()); };
        spin.OnClick = [this](TObject*, TUDBtnType) { clicks.push_back(spin.CurrentPosition()); };
    }
    TEdit edit{"Edit", nullptr};
    TUpDown spin;
    std::vector<std::string> changes;
    std::vector<int32_t> clicks;
};

TEST(SpinButtons, RememberedValueDecidesWhetherASetDoesAnything) {
    SpinWithEdit s(0, 127, 35);
    s.spin.SetPosition(35);  // the design value is remembered
    EXPECT_TRUE(s.changes.empty());
    s.spin.SetPosition(300);
    EXPECT_EQ(s.spin.CurrentPosition(), 127);
    EXPECT_EQ(s.changes, std::vector<std::string>{"127"});
    // The arrows move the position but not the remembered 300, so setting 300 again does nothing.
    s.spin.ClickButton(TUDBtnType::btPrev);
    EXPECT_EQ(s.edit.Text(), "126");
    s.spin.SetPosition(300);
    EXPECT_EQ(s.spin.CurrentPosition(), 126);
    // Reading the position makes it the remembered value.
    EXPECT_EQ(s.spin.Position(), 126);
    s.spin.SetPosition(300);
    EXPECT_EQ(s.spin.CurrentPosition(), 127);
    // A value equal to the remembered one in its low 16 bits is the same value.
    s.spin.SetPosition(300 + 65536);
    s.spin.SetPosition(300 - 65536);
    EXPECT_EQ(s.changes, (std::vector<std::string>{"127", "126", "127"}));
    EXPECT_TRUE(s.clicks == std::vector<int32_t>{126});
}

TEST(SpinButtons, SetReducesTo16BitsAndClampsAgainstAPlainModel) {
    std::mt19937 rng(11);
    SpinWithEdit s(20, 250, 125);
    int16_t remembered = 125;
    int32_t position = 125;
    for (int i = 0; i < 20000; ++i) {
        int32_t value;
        switch (rng() % 4) {
            case 0: value = int32_t(rng()); break;
            case 1: value = int32_t(rng() % 400) - 50; break;
            case 2: value = remembered + int32_t(rng() % 3) * 65536; break;
            default: value = int32_t(rng() % 2 ? 32767 : -32768) + int32_t(rng() % 3) - 1; break;
        }
        SCOPED_TRACE("step " + std::to_string(i) + " value " + std::to_string(value));
        const auto reduced = static_cast<int16_t>(static_cast<uint32_t>(value) & 0xFFFF);
        const std::string before = s.edit.Text();
        const size_t changesBefore = s.changes.size();
        const bool acts = reduced != remembered;
        if (acts) {
            remembered = reduced;
            position = std::clamp<int32_t>(reduced, 20, 250);
        }
        s.spin.SetPosition(value);
        ASSERT_EQ(s.spin.CurrentPosition(), position);
        ASSERT_EQ(s.edit.Text(), acts ? std::to_string(position) : before);
        // A change event exactly when the text changed.
        ASSERT_EQ(s.changes.size() - changesBefore, before != s.edit.Text() ? 1u : 0u);
    }
    EXPECT_TRUE(s.clicks.empty());
}

TEST(SpinButtons, ArrowsAndKeysStepWithinTheRangeAndClickOnRealChangesOnly) {
    SpinWithEdit s(0, 3, 1);
    const std::pair<TUDBtnType, int32_t> presses[] = {
        {TUDBtnType::btNext, 2}, {TUDBtnType::btNext, 3}, {TUDBtnType::btNext, 3}, {TUDBtnType::btPrev, 2},
        {TUDBtnType::btPrev, 1}, {TUDBtnType::btPrev, 0}, {TUDBtnType::btPrev, 0}, {TUDBtnType::btNext, 1}};
    for (const auto& [button, expected] : presses) {
        s.spin.ClickButton(button);
        EXPECT_EQ(s.spin.CurrentPosition(), expected);
        EXPECT_EQ(s.edit.Text(), std::to_string(expected));
    }
    EXPECT_EQ(s.clicks, (std::vector<int32_t>{2, 3, 2, 1, 0, 1}));
    // The attached edit's Up and Down keys do the same; other keys do not.
    s.clicks.clear();
    s.edit.KeyDown(VK_UP, 0);
    s.edit.KeyDown(VK_UP, ssCtrl);
    s.edit.KeyDown(0x27, 0);  // right arrow
    s.edit.KeyDown(VK_DOWN, 0);
    EXPECT_EQ(s.clicks, (std::vector<int32_t>{2, 3, 2}));
    // The click comes after the text is written.
    s.spin.OnClick = [&](TObject* sender, TUDBtnType) {
        EXPECT_EQ(sender, &s.spin);
        EXPECT_EQ(s.edit.Text(), "3");
    };
    s.spin.ClickButton(TUDBtnType::btNext);
}

TEST(Edit, ChangeEventOnlyOnARealChangeAndReadOnlyRefusesTheUser) {
    TEdit edit("Edit1", nullptr);
    int changes = 0, redraws = 0;
    edit.OnChange = [&](TObject*) { ++changes; };
    edit.OnModelChanged = [&](TControl&) { ++redraws; };
    edit.SetText("35");
    edit.SetText("35");
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(redraws, 1);
    edit.ReadOnly = true;
    EXPECT_FALSE(edit.UserSetText("99"));
    EXPECT_EQ(edit.Text(), "35");
    edit.SetText("36");  // the program itself still writes
    EXPECT_EQ(changes, 2);
    // A key handler that clears the key keeps it from nobody here: no spin buttons attached.
    uint16_t seen = 0;
    edit.OnKeyDown = [&](TObject*, uint16_t& key, TShiftState) { seen = key; };
    edit.KeyDown(VK_UP, 0);
    EXPECT_EQ(seen, VK_UP);
}

TEST(ComboBox, SelectionInCodeRaisesNothingAndTheUsersPickDoes) {
    TComboBox box("ComboBox1", nullptr);
    int changes = 0;
    box.OnChange = [&](TObject*) { ++changes; };
    EXPECT_EQ(box.ItemIndex(), -1);
    box.SetItemIndex(0);
    EXPECT_EQ(box.ItemIndex(), -1);
    box.AddItem("a");
    box.AddItem("b");
    for (const int32_t index : {0, 1, 2, -1, -2, 1000, INT32_MIN}) {
        box.SetItemIndex(index);
        EXPECT_EQ(box.ItemIndex(), index == 0 || index == 1 ? index : -1) << index;
    }
    EXPECT_EQ(changes, 0);
    box.UserSelect(1);
    box.UserSelect(1);
    box.UserSelect(5);
    box.UserSelect(-1);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(box.ItemIndex(), 1);
    box.Clear();
    EXPECT_EQ(box.ItemIndex(), -1);
    EXPECT_TRUE(box.Items().empty());
}

TEST(Form, DestructionEventRunsOnceAndItsErrorIsShown) {
    struct Probe : TForm {
        std::vector<std::string> shown;
        void ShowException(const std::string& message) override { shown.push_back(message); }
    };
    for (int kind = 0; kind < 3; ++kind) {
        Probe form;
        int runs = 0;
        form.OnDestroy = [&](TObject*) {
            ++runs;
            if (kind == 1) throw std::runtime_error("boom");
            if (kind == 2) throw 42;
        };
        form.DoDestroy();
        form.DoDestroy();
        EXPECT_EQ(runs, 1);
        const std::vector<std::string> expected =
            kind == 0 ? std::vector<std::string>{} : std::vector<std::string>{kind == 1 ? "boom" : ""};
        EXPECT_EQ(form.shown, expected);
    }
}

}  // namespace
}  // namespace marble
