#pragma once
#include "platform/ui/ScrollView.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

namespace player {

// The scroll view the song's rows lie on. A song may have a hundred thousand rows while a
// screen shows a few dozen, so a row is only described here (where it reaches) until it comes
// near sight; its views are made then, by the maker, and stay. Everything else sees the strip
// as if every row had been made up front: made views go into the child list exactly where they
// would have stood, a tag lookup or a dump makes what it needs first, and views added by others
// keep their places.
//
// Once many rows are made, those made long ago and far out of sight are let go again (their views
// dropped, to be made anew if they come back), so playing through a long song does not end with
// every row made. A row whose views someone else still holds stays.
//
// Places in the child list are ordered by a key: row n at 4(n + 1), the views a row's maker
// adds behind it at the next three keys, a row sent to the back at -4(n + 1) (so a later one
// goes in front of an earlier one, as when each is moved to the front of the list in turn),
// views added at the end after everything and views inserted at the front before everything.
class Strip : public ui::ScrollView {
public:
    static std::shared_ptr<Strip> create(ui::Rect frame);

    // Makes the views of row `item`: the row's own at slot 0, views behind it at slots 1 to 3.
    using Maker = std::function<void(uint32_t item, std::vector<std::pair<int, std::shared_ptr<ui::View>>>& out)>;
    void setMaker(Maker maker) { m_maker = std::move(maker); }
    // Called before a row's views are let go, so that whoever keeps its views behind the row
    // forgets them.
    using Releaser = std::function<void(uint32_t item)>;
    void setReleaser(Releaser releaser) { m_releaser = std::move(releaser); }
    // How many rows may be made before those far out of sight are let go.
    void setMostMade(size_t count) { m_mostMade = count; }
    size_t madeCount() const { return m_madeCount; }
    // The row holding a tag, for lookups of rows not made yet.
    using TagFinder = std::function<std::optional<uint32_t>(int tag)>;
    void setTagFinder(TagFinder finder) { m_tagFinder = std::move(finder); }

    // Room for this many rows, so a long song grows the lists once.
    void reserveItems(size_t count)
    {
        m_items.reserve(count);
        m_made.reserve(count);
    }
    // The next row, by how far it reaches in strip coordinates (its frame, with what sticks out
    // of it); returns its number.
    uint32_t defer(ui::Rect extent, bool sentToBack);
    // The rows are all described: the index over them is built and the rows in sight are made.
    // Rows described later are indexed as they come; calling this again makes those in sight.
    void finishDeferring();

    bool isMade(uint32_t item) const { return item < m_made.size() && m_made[item]; }
    size_t itemCount() const { return m_items.size(); }
    // A view added later behind row `item`'s own (slot 1 to 3), when that row is made.
    void insertBehind(uint32_t item, int slot, std::shared_ptr<ui::View> view);
    // Makes the rows reaching into [minX, maxX].
    void makeItemsBetween(double minX, double maxX);

    void makeDeferredSubviews() override;
    bool makeDeferredSubviewWithTag(int tag) override;
    void layoutSubviews() override;

protected:
    explicit Strip(ui::Rect frame);
    void didScroll() override;
    void didAddSubview(ui::View* view) override;

private:
    struct Item {
        float minX = 0;
        float maxX = 0;
        bool sentToBack = false;
    };
    double keyOfItem(uint32_t item) const;
    double keyOf(const ui::View* view) const;
    void makeItems(std::vector<uint32_t> items);
    void makeItemsInSight();
    void indexItem(uint32_t item);
    void releaseItemsOutside(double minX, double maxX);
    bool releaseItem(uint32_t item);

    Maker m_maker;
    Releaser m_releaser;
    size_t m_madeCount = 0;
    size_t m_mostMade = 4000;
    size_t m_keptAtLastRelease = 0;
    TagFinder m_tagFinder;
    std::vector<Item> m_items;
    std::vector<bool> m_made;
    // Rows by the cells of the strip's width they reach into, and the few reaching across many
    // cells.
    double m_cellWidth = 512;
    double m_origin = 0;
    std::vector<std::vector<uint32_t>> m_cells;
    std::vector<uint32_t> m_wide;
    bool m_indexed = false;
    // Keys of the children; an entry for a view no longer a child is never read.
    std::unordered_map<const ui::View*, double> m_keys;
    std::optional<double> m_pendingKey;
    double m_frontKey = -1e15;
    double m_backKey = 1e15;
};

}
