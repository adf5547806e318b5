#include "platform/Bookmark.h"
