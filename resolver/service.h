// The service's anonymous interface, as its own web viewer uses it (unpublished: when the
// service changes it, this is the one place to change).
#pragma once

inline constexpr char TOKEN_URL[] = "https://api-badgerp.svc.ms/v1.0/token";
inline constexpr char TOKEN_APP_ID_HEADER[] = "AppId: 1141147648";
inline constexpr char TOKEN_REQUEST_BODY[] = "{\"appId\":\"5cbed6ac-a083-4e14-b191-b4ba07653de2\"}";
// The share's item is SHARES_URL + share id + DRIVE_ITEM_PATH.
inline constexpr char SHARES_URL[] = "https://my.microsoftpersonalcontent.com/_api/v2.0/shares/";
inline constexpr char DRIVE_ITEM_PATH[] = "/driveitem";
inline constexpr char DOWNLOAD_URL_MEMBER[] = "@content.downloadUrl";

// The browser the requests say they come from.
inline constexpr char EDGE_USER_AGENT[] =
    "User-Agent: Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/46.0.2486.0 Safari/537.36 Edge/13.10586";
