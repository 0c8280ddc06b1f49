# The two built-in web addresses. Both must be absolute http or https
# addresses of a host: scheme, host name, optional port, nothing after it.
set(GLYPH_BASE_URL "http://glitter.dururive.example" CACHE STRING
    "Server of the remote glyph pictures (serves /1/a.gif to /2/z.gif)")
set(AUTHOR_PAGE_URL "http://www.ketrovos.example" CACHE STRING
    "The author's web page, shown and opened by the About window")

set(_dururive_host_url_regex "^https?://[A-Za-z0-9]([A-Za-z0-9.-]*[A-Za-z0-9])?(:[0-9]+)?$")

function(dururive_check_url variable)
  set(value "${${variable}}")
  if(NOT value MATCHES "${_dururive_host_url_regex}")
    message(FATAL_ERROR
      "${variable} is \"${value}\": it must be an absolute http:// or https:// "
      "address of a host (scheme, host name, optional :port), with no path, "
      "query or trailing slash, for example http://glitter.example.com")
  endif()
  if(value MATCHES ":([0-9]+)$")
    if(CMAKE_MATCH_1 LESS 1 OR CMAKE_MATCH_1 GREATER 65535)
      message(FATAL_ERROR "${variable} is \"${value}\": its port must lie between 1 and 65535")
    endif()
  endif()
endfunction()

dururive_check_url(GLYPH_BASE_URL)
dururive_check_url(AUTHOR_PAGE_URL)
