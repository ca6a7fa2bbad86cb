#include "picture/metafile/gdi_objects.h"

int ObjectTable::firstFree() const {
    const std::uint32_t first = freed_.empty() ? nextUnused_ : *freed_.begin();
    return first < capacity_ ? static_cast<int>(first) : -1;
}

void ObjectTable::put(std::uint32_t index, GdiObject object) {
    if (index >= capacity_) return;
    objects_[index] = std::move(object);
    if (!sequential_) return;
    if (index >= nextUnused_) {
        for (std::uint32_t i = nextUnused_; i < index && freed_.size() < capacity_; ++i)
            freed_.insert(i);
        nextUnused_ = index + 1;
    } else {
        freed_.erase(index);
    }
}

const GdiObject* ObjectTable::get(std::uint32_t index) const {
    auto it = objects_.find(index);
    return it == objects_.end() ? nullptr : &it->second;
}

GdiObject* ObjectTable::getMutable(std::uint32_t index) {
    auto it = objects_.find(index);
    return it == objects_.end() ? nullptr : &it->second;
}

void ObjectTable::remove(std::uint32_t index) {
    if (objects_.erase(index) && index < nextUnused_) freed_.insert(index);
}

Colour ResolveColor(ColorRef ref, const PaletteObject* palette) {
    if ((ref >> 24) == 1) {
        const std::uint32_t index = ref & 0xFFFF;
        if (palette && index < palette->entries.size()) return palette->entries[index];
        return kBlack;
    }
    return makeColour(static_cast<int>(ref & 0xFF), static_cast<int>((ref >> 8) & 0xFF),
                      static_cast<int>((ref >> 16) & 0xFF));
}

std::shared_ptr<PaletteObject> DefaultPalette() {
    auto palette = std::make_shared<PaletteObject>();
    static const Colour colours[20] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080,
                                       0x800080, 0x008080, 0xC0C0C0, 0xC0DCC0, 0xA6CAF0,
                                       0xFFFBF0, 0xA0A0A4, 0x808080, 0xFF0000, 0x00FF00,
                                       0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
    palette->entries.assign(colours, colours + 20);
    return palette;
}
