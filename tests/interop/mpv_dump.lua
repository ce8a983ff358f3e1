-- Writes the playlist that mpv built from the one file on its command line
-- and quits before mpv opens any entry of it.
--
-- mpv opens a playlist file like a media file: its playlist demuxer reads it
-- and puts the entries in place of the file ("redirect"), then mpv starts on
-- the first entry. The on_load hook of that first entry runs before anything
-- is opened, so the entries are written there. An empty or unreadable
-- playlist never gets that far; the shutdown event writes the outcome then.
--
-- Options: --script-opts=pldump-out=FILE,pldump-playlist=PLAYLIST (the
-- playlist exactly as named on mpv's command line).
-- Output (written to FILE), one line each:
--   entry <hex filename> <hex title or "-">
--   end ok | end empty | end unread <reason>
-- Bytes are written in hex because names may be Latin-1 or any other bytes.

local options = { out = "", playlist = "" }
require("mp.options").read_options(options, "pldump")

local written = false
local redirected = false
local failure = nil

local function hex(text)
    return (text:gsub(".", function(c) return string.format("%02x", c:byte()) end))
end

local function write_result(status)
    if written then return end
    written = true
    local out = assert(io.open(options.out, "wb"))
    local count = mp.get_property_number("playlist-count", 0)
    for i = 0, count - 1 do
        local name = mp.get_property("playlist/" .. i .. "/filename") or ""
        local title = mp.get_property("playlist/" .. i .. "/title")
        out:write("entry ", hex(name), " ", title and hex(title) or "-", "\n")
    end
    out:write("end ", status, "\n")
    out:close()
end

mp.add_hook("on_load", 10, function()
    if mp.get_property("path") == options.playlist then
        -- The playlist file itself: let mpv read it.
        return
    end
    write_result("ok")
    mp.commandv("quit")
end)

mp.register_event("end-file", function(event)
    if event.reason == "redirect" then
        redirected = true
    elseif event.reason == "error" then
        failure = event.error or "error"
    end
end)

mp.register_event("shutdown", function()
    if written then
        return
    elseif redirected then
        -- An empty playlist leaves mpv with nothing of its own to list.
        written = true
        local out = assert(io.open(options.out, "wb"))
        out:write("end empty\n")
        out:close()
    else
        -- mpv did not take the file for a playlist; what is left in its
        -- playlist is the file itself, not an entry of it.
        written = true
        local out = assert(io.open(options.out, "wb"))
        out:write("end unread ", (failure or "not_a_playlist"):gsub("%s", "_"), "\n")
        out:close()
    end
end)
