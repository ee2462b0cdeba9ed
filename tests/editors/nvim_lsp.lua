-- Neovim 0.7 as a user of `tovel-cli lsp`: opens a C file that calls the
-- sample library's routines, types into one line of it and asks the server
-- what Neovim's own commands ask (completion, signature help, hover,
-- definition), then reads the answers the way Neovim presents them.
--
--   nvim --headless -u NONE -i NONE -n -S nvim_lsp.lua
--
-- The environment names the server (TOVEL_CLI), the library (TOVEL_LIBRARY)
-- and the C file (TOVEL_SOURCE, whose sixth line is the one typed into).
-- One "ok:" or "FAIL:" line per check on stdout; exit status 0 only when
-- every check passed.

local failures, timeout = 0, 10000

local function squeeze(text) return (text:gsub('%s+', ' ')) end

-- One line per check, with what the editor saw (shortened when it passed).
local function report(passed, what, detail)
  detail = detail and squeeze(detail)
  if passed then
    if detail and #detail > 160 then detail = detail:sub(1, 157) .. '...' end
    io.stdout:write('ok: ', what, detail and (' (' .. detail .. ')') or '', '\n')
  else
    failures = failures + 1
    io.stdout:write('FAIL: ', what, detail and (' (' .. detail .. ')') or '', '\n')
  end
end

-- The arguments of the first call in a line, split at the commas outside
-- nested parentheses.
local function call_arguments(line)
  local inner = line:match('%b()')
  if not inner then return nil end
  inner = inner:sub(2, -2)
  if inner:match('^%s*$') then return {} end
  local args, depth, start = {}, 0, 1
  for i = 1, #inner do
    local c = inner:sub(i, i)
    if c == '(' then depth = depth + 1
    elseif c == ')' then depth = depth - 1
    elseif c == ',' and depth == 0 then
      table.insert(args, inner:sub(start, i - 1)); start = i + 1
    end
  end
  table.insert(args, inner:sub(start))
  return args
end

local function labels(result)
  local names = {}
  for _, item in ipairs(vim.lsp.util.extract_completion_items(result or {})) do
    names[item.label] = item
  end
  return names
end

local function run()
  local cli, library, source = os.getenv('TOVEL_CLI'), os.getenv('TOVEL_LIBRARY'), os.getenv('TOVEL_SOURCE')
  assert(cli and library and source, 'TOVEL_CLI, TOVEL_LIBRARY and TOVEL_SOURCE must be set')
  vim.lsp.set_log_level('debug')

  -- What the library itself says UartInit looks like, to compare the hover with.
  local prototype
  for line in io.lines(library) do
    prototype = prototype or line:match('C Function prototype:%s*(.-UartInit%b())')
  end
  assert(prototype, 'the library has no UartInit')

  vim.cmd('edit ' .. vim.fn.fnameescape(source))
  local buf = vim.api.nvim_get_current_buf()
  vim.bo[buf].filetype = 'c'

  -- Starts a server for the buffer; returns its client once initialized.
  local exits = {}
  local function start(name, capabilities)
    local id = vim.lsp.start_client({
      name = name,
      cmd = { cli, 'lsp' },
      root_dir = vim.fn.fnamemodify(source, ':h'),
      init_options = { libraries = { library } },
      capabilities = capabilities,
      on_exit = function(code) exits[name] = code end,
    })
    if not id then return nil end
    vim.lsp.buf_attach_client(buf, id)
    local client
    vim.wait(timeout, function()
      client = vim.lsp.get_client_by_id(id)
      return (client ~= nil and client.initialized) or exits[name] ~= nil
    end, 20)
    return client and client.initialized and client or nil
  end

  local client = start('tovel')
  report(client ~= nil, 'the server starts and answers initialize')
  if not client then return end
  local id, encoding = client.id, client.offset_encoding or 'utf-16'

  local row = 5
  -- Types `text` into the line and puts the cursor at `col` (bytes,
  -- default the end of the line); the document is ASCII, so the position
  -- is the same in every encoding.
  local function type_line(text, col)
    vim.api.nvim_buf_set_lines(buf, row, row + 1, false, { text })
    col = col or #text
    return { textDocument = { uri = vim.uri_from_bufnr(buf) }, position = { line = row, character = col } }
  end
  local function ask(method, params, from)
    local answers, err = vim.lsp.buf_request_sync(buf, method, params, timeout)
    local answer = answers and answers[from or id]
    if not answer then return nil, err or 'no answer' end
    if answer.err then return nil, vim.inspect(answer.err) end
    return answer.result
  end

  -- Routine names at the start of a call.
  local line = '    Uart'
  local result, err = ask('textDocument/completion', type_line(line))
  local items = labels(result)
  report(items.UartInit ~= nil, 'completion offers UartInit', err or vim.inspect(vim.tbl_keys(items)))

  -- Accepting it as the omni completion does: the word of the complete item
  -- replaces the keyword before the cursor (or the item's own edit range).
  local from = vim.fn.match(line, '\\k*$')
  local edit = items.UartInit and items.UartInit.textEdit
  if edit and edit.range then from = edit.range.start.character end
  local accepted
  for _, match in ipairs(vim.lsp.util.text_document_completion_list_to_complete_items(result or {}, line:sub(from + 1))) do
    if match.abbr == 'UartInit' then accepted = line:sub(1, from) .. match.word end
  end
  local args = accepted and call_arguments(accepted)
  report(args ~= nil and #args == 3 and not accepted:find('%$'),
    'accepting UartInit inserts a call with three arguments', vim.inspect(accepted))

  -- A client that expands snippets gets placeholders, and no choice
  -- placeholders unless it asked for them.
  local capabilities = vim.lsp.protocol.make_client_capabilities()
  capabilities.textDocument.completion.completionItem.snippetSupport = true
  local snippets = start('tovel-snippets', capabilities)
  local raw, expanded
  if snippets then
    result, err = ask('textDocument/completion', type_line(line), snippets.id)
    local item = labels(result).UartInit
    raw = item and item.insertTextFormat == 2 and (item.textEdit and item.textEdit.newText or item.insertText)
    expanded = raw and vim.lsp.util.parse_snippet(raw)
    vim.lsp.stop_client(snippets.id)
  end
  args = expanded and call_arguments(expanded)
  report(raw ~= nil and raw:find('${', 1, true) and not raw:find('%${%d+|') and args and #args == 3
    and not expanded:find('%$'), 'with snippets, UartInit expands to a call with three arguments',
    err or vim.inspect({ raw, expanded }))

  -- The option names of UartInit's third parameter, and after a `|` the
  -- ones not yet in the argument.
  local options = { 'UART_TX', 'UART_RX', 'UART_RXIRQ', 'UART_2STOP' }
  result, err = ask('textDocument/completion', type_line('    UartInit(0, 0x0033, '))
  items = labels(result)
  local missing = vim.tbl_filter(function(name) return items[name] == nil end, options)
  report(#missing == 0 and items.UartInit == nil, 'argument completion offers the option names',
    err or vim.inspect(vim.tbl_keys(items)))
  result, err = ask('textDocument/completion', type_line('    UartInit(0, 0x0033, UART_TX|'))
  items = labels(result)
  report(items.UART_TX == nil and items.UART_RX ~= nil, 'after a | the names already given are left out',
    err or vim.inspect(vim.tbl_keys(items)))

  -- Signature help: the parameter the floating window highlights.
  result, err = ask('textDocument/signatureHelp', type_line('    UartInit(0, (1 + 2), '))
  local shown, active = nil, nil
  if result then
    local lines, hl = vim.lsp.util.convert_signature_help_to_markdown_lines(result)
    if lines and hl then shown, active = lines[1], lines[1]:sub(hl[1] + 1, hl[2]) end
  end
  report(active ~= nil and active:find('mode') ~= nil, 'signature help names the active parameter',
    err or vim.inspect({ label = shown, active = active }))

  -- Hover on the routine name of a call.
  local call = '    UartInit(0, 0x0033, UART_TX);'
  result, err = ask('textDocument/hover', type_line(call, 6))
  local hover = result and result.contents and
      table.concat(vim.lsp.util.convert_input_to_markdown_lines(result.contents), '\n')
  report(hover ~= nil and squeeze(hover):find(squeeze(prototype), 1, true) ~= nil,
    'hover shows the prototype', err or vim.inspect(hover))

  -- Go to definition: where Neovim's jump lands.
  result, err = ask('textDocument/definition', type_line(call, 6))
  local location = result and (result.uri and result or result[1])
  local landed
  if location and vim.lsp.util.jump_to_location(location, encoding) then
    landed = vim.api.nvim_buf_get_name(0) .. ': ' .. vim.api.nvim_get_current_line()
    vim.cmd('buffer ' .. buf)
  end
  report(landed ~= nil and landed:find('LibDev4410%.s79: .*C Function prototype:.*UartInit') ~= nil,
    'definition jumps to the prototype line in LibDev4410.s79', err or vim.inspect(landed))

  -- Diagnostics as the buffer changes, without saving it.
  local function tovel_diagnostics()
    return vim.tbl_filter(function(d) return d.source == 'tovel' end, vim.diagnostic.get(buf, { lnum = row }))
  end
  local wrong = '    PwmSetDuty(2,300);'
  type_line(wrong)
  vim.wait(timeout, function() return #tovel_diagnostics() > 0 end, 20)
  local found = tovel_diagnostics()[1]
  local at = wrong:find('300', 1, true) - 1
  report(found ~= nil and found.col <= at and found.end_col >= at + 3,
    'a diagnostic marks the 300 of PwmSetDuty(2,300)', vim.inspect(found or vim.diagnostic.get(buf)))
  type_line('    PwmSetDuty(2,75);')
  local cleared = vim.wait(timeout, function() return #tovel_diagnostics() == 0 end, 20)
  report(found ~= nil and cleared, 'the diagnostic goes away when the value is 75',
    vim.inspect(tovel_diagnostics()))

  -- shutdown and exit, as when Neovim quits.
  vim.lsp.stop_client(id)
  vim.wait(timeout, function() return exits.tovel ~= nil end, 20)
  report(exits.tovel == 0, 'the server exits with status 0 after shutdown', tostring(exits.tovel))
end

local ok, message = xpcall(run, debug.traceback)
if not ok then report(false, 'the script ran to its end', message) end
io.stdout:write('lsp log: ', vim.lsp.get_log_path(), '\n')
io.stdout:flush()
vim.cmd(failures == 0 and 'qall!' or 'cquit 1')
