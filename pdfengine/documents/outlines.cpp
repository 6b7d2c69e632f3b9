// Bookmarks (outlines).

#include "core/instance.h"
#include "documents/geometry.h"

#include <algorithm>
#include <set>

namespace fpe {

// The bookmark tree in document order (depth first), read once per revision
// of the document. Node 0 is the outline dictionary itself; removals mark
// nodes instead of moving them, so that removing many bookmarks one after
// another costs no rereading.
struct OutlineTree {
    struct Node {
        QPDFObjectHandle item;
        int parent = -1;
        std::vector<int> children;
        int end = 0;          // one past the last node of its subtree
        bool open = false;    // shows its children
        int visible = 0;      // descendants shown when it is open (the /Count value)
        bool removed = false;
        // Children not removed, as a list through their siblings, so that
        // removing one costs the same however many siblings it has.
        int firstLive = -1, lastLive = -1;
        int prevLive = -1, nextLive = -1;
    };
    quint64 revision = 0;
    std::vector<Node> nodes;
    std::map<QPDFObjGen, int> indexOf;
    bool wellFormed = true;  // links and counts agree with the tree as read
    int live = 0;            // bookmarks not removed
    // The live bookmarks' nodes in document order, for ids by position;
    // listed again, once, after removals.
    std::vector<int> order;
    bool orderStale = true;
};

namespace {

// Bookmarks beyond this many are not read (a guard against crafted files).
constexpr size_t maxOutlineItems = 1000000;

bool sameObject(QPDFObjectHandle a, QPDFObjectHandle b)
{
    return a.isIndirect() && b.isIndirect() && a.getObjGen() == b.getObjGen();
}

// Whether every link and count says what the tree as read says.
bool wellFormed(const OutlineTree& tree)
{
    for (size_t k = 0; k < tree.nodes.size(); ++k) {
        const OutlineTree::Node& n = tree.nodes[k];
        QPDFObjectHandle item = n.item;
        if (!item.isIndirect())
            return false;
        QPDFObjectHandle count = item.getKey("/Count");
        if (n.children.empty()) {
            if (!item.getKey("/First").isNull() || !item.getKey("/Last").isNull())
                return false;
            if (k > 0 && !count.isNull() && !(count.isInteger() && count.getIntValue() == 0))
                return false;
            continue;
        }
        const long long expected = k == 0 || n.open ? n.visible : -n.visible;
        if (!count.isInteger() || count.getIntValue() != expected)
            return false;
        if (!sameObject(item.getKey("/First"), tree.nodes[static_cast<size_t>(n.children.front())].item) ||
            !sameObject(item.getKey("/Last"), tree.nodes[static_cast<size_t>(n.children.back())].item))
            return false;
        for (size_t i = 0; i < n.children.size(); ++i) {
            QPDFObjectHandle child = tree.nodes[static_cast<size_t>(n.children[i])].item;
            QPDFObjectHandle prev = child.getKey("/Prev"), next = child.getKey("/Next");
            if (!sameObject(child.getKey("/Parent"), item))
                return false;
            if (i == 0 ? !prev.isNull() : !sameObject(prev, tree.nodes[static_cast<size_t>(n.children[i - 1])].item))
                return false;
            if (i + 1 == n.children.size() ? !next.isNull()
                                           : !sameObject(next, tree.nodes[static_cast<size_t>(n.children[i + 1])].item))
                return false;
        }
    }
    return true;
}

OutlineTree readOutlines(QPDF& pdf)
{
    OutlineTree tree;
    QPDFObjectHandle root = pdf.getRoot().getKey("/Outlines");
    if (!root.isDictionary())
        return tree;
    tree.nodes.push_back({root, -1, {}, 0, true, 0, false});
    std::set<QPDFObjGen> seen;
    if (root.isIndirect())
        seen.insert(root.getObjGen());
    // Depth first without recursion: a frame per level holds the next
    // sibling to visit. Loops and repeated items are read once.
    struct Frame {
        int parent;
        QPDFObjectHandle next;
    };
    std::vector<Frame> stack{{0, root.getKey("/First")}};
    while (!stack.empty()) {
        QPDFObjectHandle item = stack.back().next;
        const int parent = stack.back().parent;
        if (!item.isDictionary() || (item.isIndirect() && !seen.insert(item.getObjGen()).second) ||
            tree.nodes.size() >= maxOutlineItems) {
            stack.pop_back();
            continue;
        }
        stack.back().next = item.getKey("/Next");
        const int index = static_cast<int>(tree.nodes.size());
        QPDFObjectHandle count = item.getKey("/Count");
        tree.nodes.push_back({item, parent, {}, 0, count.isNumber() && count.getNumericValue() > 0, 0, false});
        tree.nodes[static_cast<size_t>(parent)].children.push_back(index);
        if (item.isIndirect())
            tree.indexOf[item.getObjGen()] = index;
        stack.push_back({index, item.getKey("/First")});
    }
    // Children come after their parent: walk backwards to sum up subtrees.
    for (int k = static_cast<int>(tree.nodes.size()) - 1; k >= 0; --k) {
        OutlineTree::Node& n = tree.nodes[static_cast<size_t>(k)];
        for (size_t i = 0; i < n.children.size(); ++i) {
            OutlineTree::Node& child = tree.nodes[static_cast<size_t>(n.children[i])];
            child.prevLive = i > 0 ? n.children[i - 1] : -1;
            child.nextLive = i + 1 < n.children.size() ? n.children[i + 1] : -1;
        }
        if (!n.children.empty()) {
            n.firstLive = n.children.front();
            n.lastLive = n.children.back();
        }
        n.end = n.children.empty() ? k + 1 : tree.nodes[static_cast<size_t>(n.children.back())].end;
        for (int c : n.children) {
            const OutlineTree::Node& child = tree.nodes[static_cast<size_t>(c)];
            n.visible += 1 + (child.open ? child.visible : 0);
        }
    }
    tree.wellFormed = wellFormed(tree);
    tree.live = static_cast<int>(tree.nodes.size()) - 1;
    return tree;
}

OutlineTree& outlines(Document& doc)
{
    if (!doc.outlineTree || doc.outlineTree->revision != doc.revision) {
        doc.outlineTree = std::make_shared<OutlineTree>(readOutlines(*doc.pdf));
        doc.outlineTree->revision = doc.revision;
    }
    return *doc.outlineTree;
}

OutlineTree::Node& at(OutlineTree& tree, int node)
{
    return tree.nodes[static_cast<size_t>(node)];
}

// Writes /First, /Last and /Count of a node after its children changed.
void writeNode(OutlineTree& tree, int node)
{
    OutlineTree::Node& n = at(tree, node);
    if (n.firstLive < 0) {
        n.item.removeKey("/First");
        n.item.removeKey("/Last");
        if (node == 0)
            n.item.replaceKey("/Count", QPDFObjectHandle::newInteger(0));
        else
            n.item.removeKey("/Count");
        return;
    }
    n.item.replaceKey("/First", at(tree, n.firstLive).item);
    n.item.replaceKey("/Last", at(tree, n.lastLive).item);
    const bool open = node == 0 || n.open;
    n.item.replaceKey("/Count", QPDFObjectHandle::newInteger(open ? n.visible : -n.visible));
}

// A node's visible count changed by delta: its ancestors show it as long as
// they are open.
void propagateCount(OutlineTree& tree, int node, int delta)
{
    while (node >= 0) {
        OutlineTree::Node& n = tree.nodes[static_cast<size_t>(node)];
        n.visible += delta;
        writeNode(tree, node);
        if (node != 0 && !n.open)
            break;
        node = n.parent;
    }
}

// Rewrites every link and count of a damaged tree from the tree as read
// (bookmarks that were direct objects become indirect ones), so that a change
// leaves the whole tree well linked. Done once, before the first change.
void normalise(QPDF& pdf, OutlineTree& tree)
{
    if (tree.wellFormed)
        return;
    for (size_t k = 0; k < tree.nodes.size(); ++k) {
        OutlineTree::Node& n = tree.nodes[k];
        if (!n.item.isIndirect()) {
            n.item = pdf.makeIndirectObject(n.item);
            tree.indexOf[n.item.getObjGen()] = static_cast<int>(k);
            if (k == 0)
                pdf.getRoot().replaceKey("/Outlines", n.item);
        }
    }
    for (size_t k = 0; k < tree.nodes.size(); ++k) {
        for (int c = tree.nodes[k].firstLive; c >= 0; c = at(tree, c).nextLive) {
            OutlineTree::Node& n = at(tree, c);
            n.item.replaceKey("/Parent", tree.nodes[k].item);
            if (n.prevLive < 0)
                n.item.removeKey("/Prev");
            else
                n.item.replaceKey("/Prev", at(tree, n.prevLive).item);
            if (n.nextLive < 0)
                n.item.removeKey("/Next");
            else
                n.item.replaceKey("/Next", at(tree, n.nextLive).item);
        }
        writeNode(tree, static_cast<int>(k));
    }
    tree.wellFormed = true;
}

// The index of a live bookmark with this id, or -1.
int nodeOf(Document& doc, OutlineTree& tree, int outlineId)
{
    auto id = doc.outlineIds.find(outlineId);
    if (id == doc.outlineIds.end())
        return -1;
    auto it = tree.indexOf.find(id->second);
    if (it == tree.indexOf.end() || tree.nodes[static_cast<size_t>(it->second)].removed)
        return -1;
    return it->second;
}

} // namespace

int Instance::OutlineCount()
{
    return std::max(0, outlines(selectedDoc()).live);
}

// Bookmarks that are not indirect objects (damaged files) are counted but
// have no id.
int Instance::GetOutlineID(int Index)
{
    Document& doc = selectedDoc();
    OutlineTree& tree = outlines(doc);
    if (Index < 1 || Index > tree.live)
        return 0;
    if (tree.orderStale) {
        tree.order.clear();
        for (size_t k = 1; k < tree.nodes.size(); ++k)
            if (!tree.nodes[k].removed)
                tree.order.push_back(static_cast<int>(k));
        tree.orderStale = false;
    }
    QPDFObjectHandle item = tree.nodes[static_cast<size_t>(tree.order[static_cast<size_t>(Index - 1)])].item;
    if (!item.isIndirect())
        return 0;
    auto known = doc.outlineIdOf.find(item.getObjGen());
    if (known != doc.outlineIdOf.end())
        return known->second;
    const int id = newId();
    doc.outlineIds[id] = item.getObjGen();
    doc.outlineIdOf[item.getObjGen()] = id;
    return id;
}

int Instance::RemoveOutline(int OutlineID)
{
    Document& doc = selectedDoc();
    OutlineTree& tree = outlines(doc);
    const int k = nodeOf(doc, tree, OutlineID);
    if (k < 1) {
        auto stale = doc.outlineIds.find(OutlineID);
        if (stale != doc.outlineIds.end()) {
            doc.outlineIdOf.erase(stale->second);
            doc.outlineIds.erase(stale);
        }
        return 0;
    }
    normalise(*doc.pdf, tree);
    OutlineTree::Node& node = tree.nodes[static_cast<size_t>(k)];
    const int parent = node.parent;

    // Link the neighbours to each other (their old links may have been wrong).
    const int prevNode = node.prevLive, nextNode = node.nextLive;
    (prevNode >= 0 ? at(tree, prevNode).nextLive : at(tree, parent).firstLive) = nextNode;
    (nextNode >= 0 ? at(tree, nextNode).prevLive : at(tree, parent).lastLive) = prevNode;
    QPDFObjectHandle prev = prevNode >= 0 ? at(tree, prevNode).item : QPDFObjectHandle();
    QPDFObjectHandle next = nextNode >= 0 ? at(tree, nextNode).item : QPDFObjectHandle();
    if (prev.isInitialized()) {
        if (next.isInitialized())
            prev.replaceKey("/Next", next);
        else
            prev.removeKey("/Next");
    }
    if (next.isInitialized()) {
        if (prev.isInitialized())
            next.replaceKey("/Prev", prev);
        else
            next.removeKey("/Prev");
    }

    const int delta = 1 + (node.open ? node.visible : 0);
    for (int d = k; d < node.end; ++d) {
        OutlineTree::Node& gone = tree.nodes[static_cast<size_t>(d)];
        if (gone.removed)
            continue;
        gone.removed = true;
        --tree.live;
        if (!gone.item.isIndirect())
            continue;
        auto id = doc.outlineIdOf.find(gone.item.getObjGen());
        if (id != doc.outlineIdOf.end()) {
            doc.outlineIds.erase(id->second);
            doc.outlineIdOf.erase(id);
        }
    }
    tree.orderStale = true;
    propagateCount(tree, parent, -delta);

    doc.touch();
    tree.revision = doc.revision;  // the tree is up to date: no rereading
    return 1;
}

// The new bookmark becomes the first child of its parent (parent 0: the
// first top-level bookmark), pointing at DestPage, DestPosition down from the
// top of the page as displayed. Returns its id.
int Instance::NewOutline(int Parent, const QString& Title, int DestPage, double DestPosition)
{
    Document& doc = selectedDoc();
    if (!doc.hasPage(DestPage))
        return 0;
    QPDF& pdf = *doc.pdf;
    OutlineTree* tree = &outlines(doc);
    int parent = 0;
    if (Parent != 0) {
        parent = nodeOf(doc, *tree, Parent);
        if (parent < 1)
            return 0;
    } else if (tree->nodes.empty()) {
        QPDFObjectHandle root = pdf.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /Outlines /Count 0 >>"));
        pdf.getRoot().replaceKey("/Outlines", root);
        doc.outlineTree.reset();
        tree = &outlines(doc);
    }
    normalise(pdf, *tree);

    QPDFPageObjectHelper page = doc.page(DestPage);
    const PageGeometry g = PageGeometry::of(page);
    const double fromTop = std::clamp(toPoints(DestPosition), 0.0, g.height());
    double left, top;
    g.toUser(0, g.height() - fromTop, left, top);
    QPDFObjectHandle dest = QPDFObjectHandle::newArray(
        {page.getObjectHandle(), QPDFObjectHandle::newName("/XYZ"), QPDFObjectHandle::newReal(left, 4),
         QPDFObjectHandle::newReal(top, 4), QPDFObjectHandle::newInteger(0)});

    OutlineTree::Node& parentNode = tree->nodes[static_cast<size_t>(parent)];
    QPDFObjectHandle item = QPDFObjectHandle::newDictionary();
    item.replaceKey("/Title", QPDFObjectHandle::newUnicodeString(Title.toStdString()));
    item.replaceKey("/Parent", parentNode.item);
    item.replaceKey("/Dest", dest);
    item = pdf.makeIndirectObject(item);
    const int first = parentNode.firstLive;
    if (first >= 0) {
        item.replaceKey("/Next", at(*tree, first).item);
        at(*tree, first).item.replaceKey("/Prev", item);
    }
    // The tree is reread after this change; the node added here only serves
    // the counts and links written now.
    OutlineTree::Node added;
    added.item = item;
    added.parent = parent;
    added.nextLive = first;
    tree->nodes.push_back(added);
    const int index = static_cast<int>(tree->nodes.size()) - 1;
    if (first >= 0)
        at(*tree, first).prevLive = index;
    at(*tree, parent).firstLive = index;
    if (at(*tree, parent).lastLive < 0)
        at(*tree, parent).lastLive = index;
    propagateCount(*tree, parent, 1);

    doc.touch();
    const int id = newId();
    doc.outlineIds[id] = item.getObjGen();
    doc.outlineIdOf[item.getObjGen()] = id;
    return id;
}

} // namespace fpe
