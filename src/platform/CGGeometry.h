#pragma once

struct CGPoint { float x = 0, y = 0; };
struct CGSize { float width = 0, height = 0; };
struct CGRect { CGPoint origin; CGSize size; };
