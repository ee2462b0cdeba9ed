;;; eglot_lsp.el --- Emacs with eglot as a user of `tovel-cli lsp'  -*- lexical-binding: t -*-

;; emacs -Q --batch -l eglot_lsp.el
;;
;; Opens a C file that calls the sample library's routines, types into one
;; line of it and uses eglot's own entry points: the completion-at-point
;; function, the eldoc functions for signature help and hover, xref for the
;; definition and flymake for the diagnostics.  The environment names the
;; server (TOVEL_CLI), the library (TOVEL_LIBRARY), the C file (TOVEL_SOURCE,
;; whose sixth line is the one typed into) and where eglot's log of the
;; messages goes (TOVEL_LOG).  One "ok:" or "FAIL:" line per check on
;; stdout; exit status 0 only when every check passed.

;;; Code:

(require 'package)
;; Debian installs eglot and the newer project/xref it needs as ELPA packages.
(setq package-directory-list '("/usr/share/emacs/site-lisp/elpa")
      package-user-dir (expand-file-name "elpa" user-emacs-directory))
(package-initialize)
(require 'eglot)
(require 'flymake)
(require 'xref)

(defvar tovel-failures 0)
(defvar tovel-timeout 10)

(defun tovel-report (passed what &optional detail)
  "Print one check's line with what eglot saw; count it when PASSED is nil."
  (let ((shown (and detail (replace-regexp-in-string
                            "[ \t\n]+" " " (format "%S" (if (stringp detail)
                                                            (substring-no-properties detail)
                                                          detail))))))
    (if passed
        (princ (format "ok: %s%s\n" what
                       (if shown (format " (%s)" (truncate-string-to-width shown 160 nil nil "...")) "")))
      (setq tovel-failures (1+ tovel-failures))
      (princ (format "FAIL: %s%s\n" what (if shown (format " (%s)" shown) ""))))))

(defun tovel-wait (predicate)
  "Let process output and timers run until PREDICATE holds; return its value."
  (let ((deadline (+ (float-time) tovel-timeout)) value)
    (while (and (not (setq value (funcall predicate)))
                (< (float-time) deadline))
      (accept-process-output nil 0.02))
    value))

(defun tovel-squeeze (text)
  (replace-regexp-in-string "[ \t\n]+" " " text))

(defun tovel-type (text &optional column)
  "Replace the sixth line by TEXT, put point at COLUMN (default its end) and
tell the server, as eglot does when the user pauses."
  (goto-char (point-min))
  (forward-line 5)
  (delete-region (line-beginning-position) (line-end-position))
  (insert text)
  (when column (goto-char (+ (line-beginning-position) column)))
  (eglot--signal-textDocument/didChange))

(defun tovel-candidates ()
  "The labels of the items eglot's completion table offers at point."
  (pcase-let ((`(,beg ,end ,table . ,_) (eglot-completion-at-point)))
    (mapcar (lambda (proxy)
              (plist-get (get-text-property 0 'eglot--lsp-item proxy) :label))
            (all-completions (buffer-substring-no-properties beg end) table))))

(defun tovel-eldoc (function)
  "What eglot's eldoc FUNCTION hands to eldoc at point, or nil."
  (let ((answer :none))
    (funcall function (lambda (info &rest _) (setq answer info)))
    (tovel-wait (lambda () (not (eq answer :none))))
    (unless (eq answer :none) answer)))

(defun tovel-highlighted (text face)
  "The part of TEXT's first line shown with FACE."
  (let ((line (car (split-string text "\n"))) (start nil) (end nil))
    (dotimes (i (length line))
      (when (memq face (ensure-list (get-text-property i 'face line)))
        (setq start (or start i) end (1+ i))))
    (and start (substring-no-properties line start end))))

(defun tovel-arguments (call)
  "The arguments of CALL, split at the top-level commas, or nil."
  (when (string-match "(\\(.*\\))" call)
    (let ((inner (match-string 1 call)) (depth 0) (from 0) args)
      (dotimes (i (length inner))
        (pcase (aref inner i)
          (?\( (setq depth (1+ depth)))
          (?\) (setq depth (1- depth)))
          (?, (when (zerop depth)
                (push (substring inner from i) args)
                (setq from (1+ i))))))
      (if (string-blank-p inner) '()
        (nreverse (cons (substring inner from) args))))))

(defun tovel-line () (buffer-substring-no-properties (line-beginning-position) (line-end-position)))

(defun tovel-run ()
  (let* ((cli (getenv "TOVEL_CLI"))
         (library (getenv "TOVEL_LIBRARY"))
         (source (getenv "TOVEL_SOURCE"))
         (log (getenv "TOVEL_LOG"))
         (prototype
          (with-temp-buffer
            (insert-file-contents library)
            (and (re-search-forward "C Function prototype:[ \t]*\\(.*UartInit([^)]*)\\)" nil t)
                 (match-string 1))))
         server buffer)
    (unless (and cli library source prototype)
      (error "TOVEL_CLI, TOVEL_LIBRARY, TOVEL_SOURCE or UartInit is missing"))
    (setq eglot-server-programs
          `((c-mode . (,cli "lsp" :initializationOptions (:libraries [,library]))))
          eglot-sync-connect tovel-timeout
          eglot-connect-timeout (* 2 tovel-timeout))
    (find-file source)
    (setq buffer (current-buffer))
    (apply #'eglot (eglot--guess-contact))
    (setq server (eglot-current-server))
    (tovel-report (and server (jsonrpc-running-p server) eglot--managed-mode)
                  "eglot connects and manages the buffer")
    (unless server (error "no server"))
    (unwind-protect
        (progn
          ;; Flymake starts on the next command, which batch mode never has.
          (flymake-start)

          ;; Routine names, and accepting one with completion-at-point.
          (tovel-type "    UartI")
          (let ((labels (tovel-candidates)))
            (tovel-report (member "UartInit" labels) "completion offers UartInit" labels))
          (let ((completion-at-point-functions '(eglot-completion-at-point)))
            (completion-at-point))
          (let* ((line (tovel-line)) (args (tovel-arguments line)))
            (tovel-report (and (string-match-p "^    UartInit(" line) (= (length args) 3)
                               (not (string-match-p "\\$" line)))
                          "accepting UartInit inserts a call with three arguments" line))

          ;; The option names of the third parameter, and after a `|'.
          (tovel-type "    UartInit(0, 0x0033, ")
          (let ((labels (tovel-candidates)))
            (tovel-report (and (cl-every (lambda (name) (member name labels))
                                         '("UART_TX" "UART_RX" "UART_RXIRQ" "UART_2STOP"))
                               (not (member "UartInit" labels)))
                          "argument completion offers the option names" labels))
          (tovel-type "    UartInit(0, 0x0033, UART_TX|")
          (let ((labels (tovel-candidates)))
            (tovel-report (and (member "UART_RX" labels) (not (member "UART_TX" labels)))
                          "after a | the names already given are left out" labels))

          ;; Signature help as eldoc shows it: the highlighted parameter.
          (tovel-type "    UartInit(0, (1 + 2), ")
          (let* ((shown (tovel-eldoc #'eglot-signature-eldoc-function))
                 (active (and (stringp shown)
                              (tovel-highlighted shown 'eldoc-highlight-function-argument))))
            (tovel-report (and active (string-match-p "mode" active))
                          "signature help names the active parameter"
                          (list (and (stringp shown) (substring-no-properties (car (split-string shown "\n")))) active)))

          ;; Hover on the routine name of a call.
          (tovel-type "    UartInit(0, 0x0033, UART_TX);" 6)
          (let ((shown (tovel-eldoc #'eglot-hover-eldoc-function)))
            (tovel-report (and (stringp shown)
                               (string-search (tovel-squeeze prototype) (tovel-squeeze shown)))
                          "hover shows the prototype" shown))

          ;; Go to definition with xref, from the same place.
          (let ((this-command 'xref-find-definitions))
            (call-interactively #'xref-find-definitions))
          (let ((landed (format "%s: %s" (buffer-file-name) (tovel-line))))
            (tovel-report (string-match-p "LibDev4410\\.s79: .*C Function prototype:.*UartInit" landed)
                          "definition jumps to the prototype line in LibDev4410.s79" landed))
          (switch-to-buffer buffer)

          ;; Diagnostics as flymake holds them, for the unsaved buffer.
          (let* ((wrong "    PwmSetDuty(2,300);")
                 (diagnostics
                  (lambda ()
                    (cl-remove-if-not
                     (lambda (d) (string-prefix-p "tovel" (flymake-diagnostic-text d)))
                     (save-excursion
                       (goto-char (point-min))
                       (forward-line 5)
                       (flymake-diagnostics (line-beginning-position) (line-end-position))))))
                 (at nil) found cleared)
            (tovel-type wrong)
            (setq at (+ (line-beginning-position) (string-search "300" wrong)))
            (setq found (car (tovel-wait diagnostics)))
            (tovel-report (and found (<= (flymake-diagnostic-beg found) at)
                               (>= (flymake-diagnostic-end found) (+ at 3)))
                          "a diagnostic marks the 300 of PwmSetDuty(2,300)"
                          (and found (list (flymake-diagnostic-text found)
                                           (flymake-diagnostic-beg found) at)))
            (tovel-type "    PwmSetDuty(2,75);")
            (setq cleared (tovel-wait (lambda () (null (funcall diagnostics)))))
            (tovel-report (and found cleared) "the diagnostic goes away when the value is 75"
                          (mapcar #'flymake-diagnostic-text (funcall diagnostics)))))

      ;; shutdown and exit as eglot-shutdown sends them, but waiting for the
      ;; server to end by itself (eglot-shutdown kills it right after exit).
      (let ((process (jsonrpc--process server)))
        (setf (eglot--shutdown-requested server) t)
        (ignore-errors
          (jsonrpc-request server :shutdown nil :timeout tovel-timeout)
          (jsonrpc-notify server :exit nil))
        (tovel-wait (lambda () (not (process-live-p process))))
        (tovel-report (and (eq (process-status process) 'exit) (zerop (process-exit-status process)))
                      "the server exits with status 0 after shutdown"
                      (list (process-status process) (process-exit-status process))))
      (when (and log (buffer-live-p (jsonrpc-events-buffer server)))
        (with-current-buffer (jsonrpc-events-buffer server)
          (write-region nil nil log nil 'quiet))))))

(condition-case err
    (tovel-run)
  (error (tovel-report nil "the script ran to its end" err)))
(kill-emacs (if (zerop tovel-failures) 0 1))

;;; eglot_lsp.el ends here
