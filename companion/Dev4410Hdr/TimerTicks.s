;------------------------------------------------------------------------------
; TimerTicks.s - DEV4410 header library: milliseconds since start-up
; The long result returns in W5:W4 = R11..R8.
; Hook TimerTickIsr to the timer 0 overflow interrupt and let timer 0
; overflow once per millisecond: TimerStart(0, 0xE0C0, TMR_DIV1) at 8 MHz.
;------------------------------------------------------------------------------

; C Function prototype: long TimerTicks(void)
	MODULE	TimerTicks
	PUBLIC	TimerTicks
	PUBLIC	TimerTickIsr
	RSEG	DATA
tick_count:
	DS	4			; 32-bit count, low byte first
	RSEG	CODE
TimerTicks:
	DI				; all four bytes from the same moment
	MOVW	W0,#tick_count
	LD	R8,[W0+]
	LD	R9,[W0+]
	LD	R10,[W0+]
	LD	R11,[W0]
	EI
	RET

TimerTickIsr:
	PUSH	W0
	PUSH	W1
	MOVW	W0,#tick_count
	LD	R2,[W0]
	ADD	R2,#1
	ST	[W0+],R2
	LD	R2,[W0]
	ADC	R2,#0		; carry into the higher bytes
	ST	[W0+],R2
	LD	R2,[W0]
	ADC	R2,#0
	ST	[W0+],R2
	LD	R2,[W0]
	ADC	R2,#0
	ST	[W0],R2
	POP	W1
	POP	W0
	RETI
	ENDMOD

	END
