// The result list (List1): rows of text, each with a mark, one of them current.
//
// The operations the handlers use are defined here once, on top of a few
// primitives that each list control provides, so that the edge rules (row -1
// reads as "", writing row Count appends) hold for every implementation.
#pragma once

#include <string>
#include <vector>

namespace tavrune {

class ResultList {
public:
    virtual ~ResultList() = default;

    void Clear() { DoClear(); }
    void Append(const std::u16string& text) { DoInsert(Count(), text); }
    void Remove(int i);
    int Count() const { return DoCount(); }
    // "" for any index that names no row, -1 (empty list) among them.
    std::u16string Text(int i) const;
    // Replaces row i in place, keeping its mark. i == Count appends; so does
    // any larger index, since there is no row to leave a gap before.
    void SetText(int i, const std::u16string& text);
    bool Marked(int i) const { return Exists(i) && DoMarked(i); }
    void SetMarked(int i, bool marked);
    void SetCurrent(int i);
    // Changes between these are shown together, once, instead of one at a time.
    void BeginUpdate() { DoBeginUpdate(); }
    void EndUpdate() { DoEndUpdate(); }

protected:
    virtual int DoCount() const = 0;
    virtual std::u16string DoText(int i) const = 0;
    virtual void DoInsert(int i, const std::u16string& text) = 0;  // unmarked
    virtual void DoRemove(int i) = 0;
    virtual void DoClear() = 0;
    virtual bool DoMarked(int i) const = 0;
    virtual void DoSetMarked(int i, bool marked) = 0;
    virtual void DoSetCurrent(int i) = 0;
    virtual void DoBeginUpdate() {}
    virtual void DoEndUpdate() {}

private:
    bool Exists(int i) const { return i >= 0 && i < Count(); }
};

// The top row of a list `viewHeight` pixels high, whose rows are `rowHeight`
// high and whose top row is `top`, that shows row `row` whole, scrolled as
// little as it can be (a view too low for one whole row shows its top).
int TopRowShowing(int row, int top, int rowHeight, int viewHeight);

// The list held in memory: the model the handlers are tested against.
class MemoryResultList : public ResultList {
public:
    struct Row {
        std::u16string text;
        bool marked = false;
    };
    const std::vector<Row>& Rows() const { return rows_; }
    int Current() const { return current_; }
    // Between BeginUpdate and EndUpdate, or with the two unpaired: a list
    // box would not be repainted as it should.
    bool Updating() const { return updating_ != 0; }
    // What the user does with a click on a row.
    void ToggleMark(int i) { SetMarked(i, !Marked(i)); }

protected:
    int DoCount() const override { return static_cast<int>(rows_.size()); }
    std::u16string DoText(int i) const override { return rows_[i].text; }
    void DoInsert(int i, const std::u16string& text) override;
    void DoRemove(int i) override;
    void DoClear() override;
    bool DoMarked(int i) const override { return rows_[i].marked; }
    void DoSetMarked(int i, bool marked) override { rows_[i].marked = marked; }
    void DoSetCurrent(int i) override { current_ = i; }
    void DoBeginUpdate() override { ++updating_; }
    void DoEndUpdate() override { --updating_; }

private:
    std::vector<Row> rows_;
    int current_ = -1;
    int updating_ = 0;
};

}  // namespace tavrune
