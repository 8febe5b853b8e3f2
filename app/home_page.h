// The maker's home page, as the home-page label shows it and opens it.
#pragma once

// "Telmaru(点击访问)：http://www.telmaru.example/", the label's caption at start.
inline constexpr char HOME_PAGE_LABEL_CAPTION[] =
    "Telmaru(\xB5\xE3\xBB\xF7\xB7\xC3\xCE\xCA)\xA3\xBA"
    "http://www.telmaru.example/";

// The same caption and the address alone, both as Base64 of their UTF-8 bytes.
inline constexpr char HOME_PAGE_CAPTION_B64[] = "VGVsbWFydSjngrnlh7vorr/pl64p77yaaHR0cDovL3d3dy50ZWxtYXJ1LmV4YW1wbGUv";
inline constexpr char HOME_PAGE_ADDRESS_B64[] = "aHR0cDovL3d3dy50ZWxtYXJ1LmV4YW1wbGUv";
