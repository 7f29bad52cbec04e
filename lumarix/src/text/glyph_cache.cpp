// The glyph cache: a list in order of use and a hash index into it, under one mutex.
#include "text/glyph_cache.h"

namespace lumarix::text {

std::shared_ptr<const Glyph> GlyphCache::Find(const GlyphKey& key) {
    std::lock_guard lock(m_mutex);
    const auto it = m_index.find(key);
    if (it == m_index.end()) return nullptr;
    m_order.splice(m_order.begin(), m_order, it->second);
    return it->second->second;
}

std::shared_ptr<const Glyph> GlyphCache::Insert(const GlyphKey& key, Glyph glyph) {
    auto shared = std::make_shared<const Glyph>(std::move(glyph));
    const size_t bytes = shared->Bytes();
    std::lock_guard lock(m_mutex);
    if (const auto it = m_index.find(key); it != m_index.end()) EraseLocked(it->second);
    if (bytes > m_budget / 8) return shared;
    while (!m_order.empty() && m_bytes + bytes > m_budget) EraseLocked(std::prev(m_order.end()));
    m_order.emplace_front(key, shared);
    m_index.emplace(key, m_order.begin());
    m_bytes += bytes;
    return shared;
}

void GlyphCache::EraseLocked(std::list<Entry>::iterator it) {
    m_bytes -= it->second->Bytes();
    m_index.erase(it->first);
    m_order.erase(it);
}

size_t GlyphCache::Bytes() const {
    std::lock_guard lock(m_mutex);
    return m_bytes;
}

size_t GlyphCache::Count() const {
    std::lock_guard lock(m_mutex);
    return m_order.size();
}

GlyphCache& SharedGlyphCache() {
    static GlyphCache cache(kGlyphCacheBytes);
    return cache;
}

}  // namespace lumarix::text
