#pragma once

namespace tovik {

class PagePictureCache;

// Adds the pictures found on a cited page to its context menu: a separator, then
// "Open Image" for one picture or an "Open Image" submenu of "Image {number}" items.
// The pictures of each page are scanned once and kept in the cache.
void installPagePictureMenu();

// The cache the menu reads; page views may ask it for background scans.
PagePictureCache &pagePictureMenuCache();

} // namespace tovik
